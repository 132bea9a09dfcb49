#include "config_control/ConfigControl.h"
#include "config_control/ConfigString.h"

#include "text_functions/TextFunctions.h"

#include <cstdio>

extern const char kConfigFileRevision[] =
    "%Z% ConfigControl QX3103:02 ConfigFile.cpp $Revision: 1.3 $";

namespace {

constexpr char kVersion[] = "2.3";
constexpr char kHalfRule[] = "===============================================";

std::FILE* reportStream = nullptr;
char reportFileName[TextBufferSize()];

void WriteRule() {
    std::fprintf(reportStream, "%s%s\n", kHalfRule, kHalfRule);
}

// Right-aligned columns of 20, 22, 30 and 10 characters; longer values widen their column.
void WriteColumns(const char* component, const char* partNumber, const char* fileName,
                  const char* revision, const char* ending) {
    std::fprintf(reportStream, " %20s | %22s |%30s | %10s |%s", component, partNumber, fileName,
                 revision, ending);
}

void WriteHeader() {
    std::fprintf(reportStream,
                 "%15sPelmora Ltd. Configuration Control[QX0103] Version %s  Report: \n\n", "",
                 kVersion);
    WriteRule();
    WriteColumns("Product Name", "Pelmora P/N", "Component name", "Version", "\n");
    WriteRule();
}

} // namespace

int OpenConfigReport(const char* fileName) {
    CloseConfigReport();
    if (CopyBounded(reportFileName, fileName, sizeof reportFileName) == nullptr) {
        return 0;
    }
    reportStream = std::fopen(reportFileName, "w");
    if (reportStream == nullptr) {
        return 0;
    }
    WriteHeader();
    return 1;
}

void CloseConfigReport() {
    if (reportStream != nullptr) {
        std::fclose(reportStream);
        reportStream = nullptr;
    }
}

void BeginConfigGroup(const char* /*title*/) {}

void EndConfigGroup() {}

void WriteConfigRow(const ConfigString& row) {
    if (reportStream != nullptr) {
        WriteColumns(row.component, row.partNumber, row.fileName, row.revision, " \n");
    }
}

void WriteUnrecognisedConfigString() {
    if (reportStream != nullptr) {
        std::fputs("Unrecongnisable Configuration string \n", reportStream);
    }
}
