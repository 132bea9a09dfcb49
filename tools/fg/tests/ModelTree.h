#pragma once
// A small FlightGear AI tree written by a test: a few liveries and airline fleets, one livery
// and one fleet malformed.

#include "tests/support/TempDirectory.h"

#include <string>

class ModelTreeTest : public TempDirectoryTest {
protected:
    void SetUp() override {
        TempDirectoryTest::SetUp();
        for (const char* livery :
             {"A320/A320-AerLingus.xml", "A320/A320-Lufthansa.xml", "A320/A320-Plain.xml",
              "738/738-Ryanair.xml", "c172/c172-a.xml", "c172/c172-b.xml", "CR9/CR9-a.xml",
              "777/777-a.xml", "AT7/AT7-a.xml"}) {
            Write("AI/Aircraft/" + std::string(livery), "<?xml version=\"1.0\"?>\n"
                                                        "<!-- a livery -->\n<PropertyList>\n"
                                                        "<path>x.ac</path>\n</PropertyList>\n");
        }
        Write("AI/Aircraft/A320/A320-Broken.xml", "<PropertyList>\n<path>x.ac</path>\n");
        Write("AI/Traffic/E/EIN.xml",
              Fleet({Airframe("A320/A320-AerLingus.xml", "EIN", "EI-CVA"),
                     Airframe("A320/A320-AerLingus.xml", "EIN", "EI-CVB")}));
        Write("AI/Traffic/R/RYR.xml", Fleet({Airframe("738/738-Ryanair.xml", "RYR", "EI-DAA"),
                                             Airframe("738/738-Ryanair.xml", "RYR", "EI-DAB"),
                                             Airframe("A320/A320-Missing.xml", "RYR", "EI-DAC")}));
        Write("AI/Traffic/D/DLH.xml", Fleet({Airframe("A320/A320-Lufthansa.xml", "DLH", "D-AIPA"),
                                             Airframe("A320/A320-Plain.xml", "DLH", "D-AIPB"),
                                             Airframe("CR9/CR9-a.xml", "DLH", "D-ACKA")}));
        Write("AI/Traffic/X/XXX.xml",
              "<trafficlist>\n<aircraft>\n<model>Aircraft/777/777-a.xml</model>\n"
              "<airline>XXX</airline>\n</trafficlist>\n");
    }

    static std::string Airframe(const std::string& model, const std::string& airline,
                                const std::string& registration) {
        return "  <aircraft>\n    <model>Aircraft/" + model + "</model>\n    <airline>" + airline +
               "</airline>\n    <actype>320</actype>\n    <registration>" + registration +
               "</registration>\n  </aircraft>\n";
    }

    static std::string Fleet(std::initializer_list<std::string> airframes) {
        std::string text = "<?xml version=\"1.0\"?>\n<trafficlist>\n";
        for (const std::string& one : airframes) {
            text += one;
        }
        return text + "</trafficlist>\n";
    }

    void Write(const std::string& relative, const std::string& text) {
        std::filesystem::create_directories((directory / relative).parent_path());
        WriteBinary(relative, text);
    }

    std::string Root() const { return directory.string(); }
};
