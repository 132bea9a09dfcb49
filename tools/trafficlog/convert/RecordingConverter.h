// `trafficlog convert`: one data file from one or more recordings (OpenSky state-vector CSVs
// and BaseStation logs, plain, gzip-compressed or in the published tar archives), in time order
// across inputs. The data file is written beside the target under a temporary name and put in
// its place at the end, so that a feeder playing the target never reads half a file and a
// failed conversion leaves the target as it was; an output that is one of the inputs is refused.
// Every recording in a tar archive is converted, in the archive's order, as if each were an
// input of its own. A target that is a symbolic link is written through: the file it names is
// replaced, the link stays.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "tools/trafficlog/convert/ConversionContext.h"
#include "tools/trafficlog/convert/ConvertOptions.h"
#include "tools/trafficlog/input/ByteSource.h"

#include <deque>
#include <string>

class RecordingConverter : public QX_ErrorReport {
public:
    // False when the conversion failed (nothing written; the error text says why). True when
    // the data file was written, though inputs may have been left out (Counts says how many).
    bool Convert(const ConvertOptions& options, ConvertSink& sink);
    // The same conversion of one recording's bytes, unpacked as a file's would be, into the data
    // file's bytes: `recording` stands for the one input the options name, and `dataFile` for
    // their output (tests, fuzzing).
    bool Convert(const ConvertOptions& options, ByteSource& recording, std::string& dataFile,
                 ConvertSink& sink);
    const ConvertCounts& Counts() const { return counts; }
    // The conversion failed on rows out of time order, not on a file.
    bool RefusedUnsorted() const { return unsorted; }
    // The centre the nearest aircraft were taken from, when an entry was full.
    bool HasCentre() const { return hasCentre; }
    GeoPoint Centre() const { return centre; }
    // The step between entries that came most often (0 with fewer than two entries).
    std::int64_t UsualStep() const { return usualStep; }

private:
    bool CheckTarget(const ConvertOptions& options);
    void Reset();
    // The inputs into the writer, opened on the target; `recording`, when not null, is read in
    // place of the one input's file.
    bool ConvertInputs(const ConvertOptions& options, ConvertSink& sink, TrafficFileWriter& writer,
                       ByteSource* recording);
    bool ConvertInput(ConversionContext& context, const char* input, ByteSource* recording,
                      class BaseStationInput& log);
    bool WriteFile(const ConvertOptions& options, ConvertSink& sink, const char* target);
    // One recording of the input: the file, or a member of its tar archive named `name`.
    bool ConvertRecording(ConversionContext& context, InputStream& stream, const char* name,
                          class BaseStationInput& log);

    ConvertCounts counts;
    // "ARCHIVE:MEMBER" of the tar members read, named in reports to the end.
    std::deque<std::string> memberNames;
    bool unsorted = false;
    bool hasCentre = false;
    GeoPoint centre;
    std::int64_t usualStep = 0;
};
