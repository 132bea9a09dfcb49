// The box of latitude and longitude around the own-ship inside which recorded aircraft are
// shown. The analyser keeps it in shifted degrees (latitude + 90, longitude + 180); the dialog
// keeps the last box in ordinary degrees.
#pragma once

inline constexpr char kViewBoxHeaderRevision[] =
    "%Z% TrafficAnalyser QX2120:03 ViewBox.h $Revision: 1.1 $";

struct ViewBox {
    double topLatitude;
    double leftLongitude;
    double bottomLatitude;
    double rightLongitude;
};
