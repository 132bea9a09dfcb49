#pragma once
// The feeder's command line, the same for both front ends: an optional data file, the block's
// name, live mode, help and version.

#include <string>

inline constexpr char kCommandLineHeaderRevision[] =
    "%Z% Corvane QX1002:02 CommandLine.h $Revision: 1.1 $";

enum class CommandLineAction { Run, ShowHelp, ShowVersion, ShowUsageError };

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    // The file named by --data; empty for the default place.
    std::string dataFilePath;
    // The block named by --name; empty for "VisualInterface".
    std::string mappingName;
    // --live: the newest entry of a file still being recorded, instead of playing it from its top.
    bool live = false;
    // What was wrong, for ShowUsageError.
    std::string problem;
};

// Arguments are taken in order; the first that decides (help, version, an error) wins. A value
// longer than the program can hold is refused: cut, it would name some other file or block.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// Where the data file is when --data names none.
enum class DefaultDataPathOutcome { Found, NoDataFolder, TooLong };
struct DefaultDataPath {
    DefaultDataPathOutcome outcome = DefaultDataPathOutcome::NoDataFolder;
    std::string path; // empty unless found
};

// The platform's default place for the data file. A path longer than the program holds is
// refused whole (TooLong), as a --data value is: cut, it would name some other file.
DefaultDataPath FindDefaultDataPath();

// The usage text printed by --help and after a usage error, of the Linux program and of the
// Windows one.
const char* UsageText();
const char* WindowsUsageText();

// Exit status of a usage error, as command-line programs report one.
inline constexpr int kUsageExitCode = 2;
