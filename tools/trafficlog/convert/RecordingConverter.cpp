#include "tools/trafficlog/convert/RecordingConverter.h"

#include "platform/FileReplace.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/convert/BaseStationConverter.h"
#include "tools/trafficlog/convert/OpenSkyConverter.h"
#include "tools/trafficlog/input/InputStream.h"
#include "tools/trafficlog/input/PhysicalLineReader.h"
#include "tools/trafficlog/sources/BaseStationTracker.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace {
constexpr int kTextSize = 320;

const char* BaseName(const char* path) {
    const char* base = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '/' || *c == '\\') {
            base = c + 1;
        }
    }
    return base;
}

// A text editor's UTF-8 byte order mark before the first line is no part of it.
void SkipByteOrderMark(char* line) {
    if (std::strncmp(line, "\xEF\xBB\xBF", 3) == 0) {
        std::memmove(line, line + 3, std::strlen(line + 3) + 1);
    }
}

// The data file's header line: where its traffic came from.
std::string Header(const ConvertOptions& options) {
    char header[kMaxAircraftLineLength + 1];
    const auto more = static_cast<int>(options.inputs.size()) - 1;
    FormatBounded(header, sizeof header,
                  more > 0 ? "Recorded traffic from %s and %d more" : "Recorded traffic from %s",
                  BaseName(options.inputs.front()), more);
    return header;
}

// A name beside the target that no other run picks.
std::string TemporaryName(const char* target) {
    std::random_device random;
    char suffix[32];
    FormatBounded(suffix, sizeof suffix, ".part-%08x", static_cast<unsigned>(random()));
    return std::string(target) + suffix;
}

// The file a symbolic link names, so that the file is replaced and the link stays; the path
// itself for anything else; empty for a link to nothing.
std::string WrittenPath(const char* output) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(output, error))) {
        return output;
    }
    const std::filesystem::path file = std::filesystem::canonical(output, error);
    return error ? std::string() : file.string();
}

// A device or pipe (/dev/stdout, a FIFO) is written as it is; only a file is replaced.
bool IsReplaceable(const char* target) {
    std::error_code error;
    const auto status = std::filesystem::status(target, error);
    return !std::filesystem::exists(status) || std::filesystem::is_regular_file(status);
}
} // namespace

bool RecordingConverter::CheckTarget(const ConvertOptions& options) {
    int fromStandardInput = 0;
    for (const char* input : options.inputs) {
        if (std::strcmp(input, "-") == 0) {
            ++fromStandardInput;
        } else if (IsSameFile(input, options.output)) {
            ReportDetail("RecordingConverter::Convert",
                         "the data file to write is one of the inputs (the same file, perhaps "
                         "through a link): choose another name",
                         options.output);
            return false;
        }
    }
    if (fromStandardInput > 1) {
        ReportError("RecordingConverter::Convert", "standard input (\"-\") can be read only once");
        return false;
    }
    return true;
}

void RecordingConverter::Reset() {
    counts = ConvertCounts{};
    unsorted = false;
    hasCentre = false;
    usualStep = 0;
    memberNames.clear();
}

bool RecordingConverter::Convert(const ConvertOptions& options, ConvertSink& sink) {
    Reset();
    if (!CheckTarget(options)) {
        return false;
    }
    const std::string output = WrittenPath(options.output);
    if (output.empty()) {
        ReportDetail("RecordingConverter::Convert",
                     "the data file to write is a symbolic link to nothing: name the file itself",
                     options.output);
        return false;
    }
    if (!IsReplaceable(output.c_str())) {
        return WriteFile(options, sink, output.c_str());
    }
    const std::string temporary = TemporaryName(output.c_str());
    bool ok = WriteFile(options, sink, temporary.c_str());
    if (ok) {
        FileReplace replace;
        ok = replace.Replace(temporary.c_str(), output.c_str());
        if (!ok) {
            SetErrorText(replace.FullErrorText().c_str());
        }
    }
    if (!ok) {
        std::remove(temporary.c_str());
    }
    return ok;
}

bool RecordingConverter::Convert(const ConvertOptions& options, ByteSource& recording,
                                 std::string& dataFile, ConvertSink& sink) {
    Reset();
    if (options.inputs.size() != 1) {
        ReportError("RecordingConverter::Convert", "the bytes of one recording are one input");
        return false;
    }
    TrafficFileWriter writer;
    return writer.Open(dataFile, Header(options).c_str()) &&
           ConvertInputs(options, sink, writer, &recording);
}

bool RecordingConverter::WriteFile(const ConvertOptions& options, ConvertSink& sink,
                                   const char* target) {
    TrafficFileWriter writer;
    if (!writer.Open(target, Header(options).c_str())) {
        SetErrorText(writer.GetErrorText());
        return false;
    }
    return ConvertInputs(options, sink, writer, nullptr);
}

bool RecordingConverter::ConvertInputs(const ConvertOptions& options, ConvertSink& sink,
                                       TrafficFileWriter& writer, ByteSource* recording) {
    EntryAssembler assembler(writer, options.region);
    ConversionContext context{options, writer, assembler, sink, counts};
    BaseStationInput log(context);
    for (const char* input : options.inputs) {
        if (!ConvertInput(context, input, recording, log)) {
            return false;
        }
    }
    if (!log.Finish() || !assembler.Finish() || !writer.Finish()) {
        SetErrorText(writer.GetErrorText());
        return false;
    }
    counts.written = assembler.Written();
    counts.outsideRegion = assembler.OutsideRegion();
    counts.leftOut = assembler.LeftOut();
    hasCentre = assembler.HasCentre();
    centre = assembler.Centre();
    usualStep = assembler.UsualStep();
    return true;
}

bool RecordingConverter::ConvertInput(ConversionContext& context, const char* input,
                                      ByteSource* recording, BaseStationInput& log) {
    InputStream stream;
    if (!(recording != nullptr ? stream.Open(*recording, input) : stream.Open(input))) {
        SetErrorText(stream.FullErrorText().c_str());
        return false;
    }
    if (stream.MemberName() == nullptr) {
        return ConvertRecording(context, stream, input, log);
    }
    for (;;) {
        memberNames.push_back(std::string(input) + ":" + stream.MemberName());
        if (!ConvertRecording(context, stream, memberNames.back().c_str(), log)) {
            return false;
        }
        switch (stream.NextMember(input)) {
        case TarSource::Step::End:
            return true;
        case TarSource::Step::Failed:
            SetErrorText(stream.FullErrorText().c_str());
            return false;
        case TarSource::Step::Found:
            break;
        }
    }
}

bool RecordingConverter::ConvertRecording(ConversionContext& context, InputStream& stream,
                                          const char* input, BaseStationInput& log) {
    if (ConvertThreads(context.options) == 2) {
        stream.StartReadingAhead();
    }
    PhysicalLineReader reader;
    reader.Attach(stream);
    context.stream = &stream;
    InputEnd end = InputEnd::Done;
    if (!reader.Next()) {
        if (!reader.ReadFailed()) {
            ReportDetail("RecordingConverter::Convert",
                         "the input is empty: a header line naming the columns, or BaseStation "
                         "messages, are expected",
                         input);
            return false;
        }
        end = InputEnd::ReadFailed;
    } else if (SkipByteOrderMark(reader.Head()); IsBaseStationLine(reader.Head())) {
        end = log.Run(reader, input);
    } else {
        OpenSkyInput rows(context, reader, input);
        char error[kTextSize];
        if (!rows.ReadHeader(error, kTextSize)) {
            ReportDetail("RecordingConverter::Convert", error, input);
            return false;
        }
        end = rows.Run();
    }
    context.Progress();
    context.stream = nullptr;
    switch (end) {
    case InputEnd::Done:
        return true;
    case InputEnd::WentBack:
        ++counts.inputsLeftOut;
        return true;
    case InputEnd::Unsorted:
        unsorted = true;
        ReportDetail("RecordingConverter::Convert",
                     "the rows are not sorted by time; sort them first (the header line stays "
                     "first): nothing was written",
                     input);
        return false;
    case InputEnd::ReadFailed: {
        const std::string reason = reader.FullErrorText();
        ReportDetail("RecordingConverter::Convert", reason.c_str(), input);
        return false;
    }
    case InputEnd::WriteFailed:
        break;
    }
    SetErrorText(context.writer.GetErrorText());
    return false;
}
