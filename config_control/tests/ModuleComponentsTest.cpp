// Every module registers its revision identifiers under its component name: the group title and
// the component word of each identifier it registers are one name. Every source file of the
// feeder carries an identifier; the tools, tests, fuzz targets and benchmarks carry none. Read
// from the sources, so that a module that strays fails here rather than in a report that hardly
// anyone opens.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Titles that have always differed from their components, with the components they cover.
const std::map<std::string, std::set<std::string>> kKeptTitles = {
    {"Base Shared Memory Class ", {"BaseSharedMemory"}},
    {"SettingsFileClass", {"SettingsFile", "SettingsFileClass"}},
};

struct Source {
    std::string path; // relative to the source folder, with forward slashes
    std::string text;
};

// Name of a text constant -> its text, per source file.
using Definitions = std::map<std::string, std::string>;

struct Module {
    std::string path;
    std::vector<std::string> words; // the title, then the identifiers (names or literals)
};

std::vector<Source> ReadSources() {
    std::vector<Source> sources;
    fs::recursive_directory_iterator walk(CORVANE_SOURCE_DIR), end;
    for (; walk != end; ++walk) {
        const std::string name = walk->path().filename().string();
        if (walk->is_directory() && (name.rfind("build", 0) == 0 || name[0] == '.')) {
            walk.disable_recursion_pending();
        } else if (walk->path().extension() == ".cpp" || walk->path().extension() == ".h") {
            std::ifstream stream(walk->path());
            sources.push_back(
                {fs::relative(walk->path(), CORVANE_SOURCE_DIR).generic_string(),
                 {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()}});
        }
    }
    return sources;
}

// Constants written as: name[] = "text" (possibly across a line break).
Definitions DefinitionsIn(const std::string& text) {
    Definitions definitions;
    for (std::size_t at = text.find("[] ="); at != std::string::npos;
         at = text.find("[] =", at + 1)) {
        std::size_t begin = at;
        while (begin > 0 && (std::isalnum(static_cast<unsigned char>(text[begin - 1])) != 0 ||
                             text[begin - 1] == '_')) {
            --begin;
        }
        const std::size_t open = text.find_first_not_of(" \n", at + 4);
        if (open != std::string::npos && text[open] == '"') {
            const std::size_t close = text.find('"', open + 1);
            definitions[text.substr(begin, at - begin)] = text.substr(open + 1, close - open - 1);
        }
    }
    return definitions;
}

// Declarations written as: ModuleRevisions name{"Title", identifier, ...};
std::vector<Module> ModulesIn(const Source& source) {
    std::vector<Module> modules;
    const std::string& text = source.text;
    for (std::size_t at = text.find("\nModuleRevisions "); at != std::string::npos;
         at = text.find("\nModuleRevisions ", at + 1)) {
        const std::size_t open = text.find('{', at);
        const std::size_t close = text.find("};", open);
        std::istringstream arguments(text.substr(open + 1, close - open - 1));
        Module module{source.path, {}};
        for (std::string word; std::getline(arguments, word, ',');) {
            const std::size_t first = word.find_first_not_of(" \n");
            const std::size_t last = word.find_last_not_of(" \n");
            module.words.push_back(word.substr(first, last - first + 1));
        }
        modules.push_back(module);
    }
    return modules;
}

std::string Unquoted(const std::string& literal) {
    return literal.substr(1, literal.size() - 2);
}

std::string ComponentOf(const std::string& identifier) {
    std::istringstream words(identifier);
    std::string marker;
    std::string component;
    words >> marker >> component;
    return component;
}

TEST(ModuleComponents, GroupTitleIsTheComponentOfEveryIdentifierTheModuleRegisters) {
    const std::vector<Source> sources = ReadSources();
    std::map<std::string, Definitions> definitions;
    std::map<std::string, std::set<std::string>> textsByName;
    for (const Source& source : sources) {
        definitions[source.path] = DefinitionsIn(source.text);
        for (const auto& [name, text] : definitions[source.path]) {
            textsByName[name].insert(text);
        }
    }
    int moduleCount = 0;
    for (const Source& source : sources) {
        for (const Module& module : ModulesIn(source)) {
            ++moduleCount;
            const std::string title = Unquoted(module.words[0]);
            const auto kept = kKeptTitles.find(title);
            for (std::size_t index = 1; index < module.words.size(); ++index) {
                const std::string& word = module.words[index];
                SCOPED_TRACE(module.path + ": " + word);
                std::string identifier;
                if (word[0] == '"') {
                    identifier = Unquoted(word);
                } else if (definitions[module.path].count(word) != 0) {
                    identifier = definitions[module.path][word];
                } else if (textsByName[word].size() == 1) {
                    identifier = *textsByName[word].begin();
                } else {
                    ADD_FAILURE() << "no single identifier of this name";
                    continue;
                }
                const std::string component = ComponentOf(identifier);
                if (kept != kKeptTitles.end()) {
                    EXPECT_EQ(kept->second.count(component), 1u) << title;
                } else {
                    EXPECT_EQ(component, title);
                }
            }
        }
    }
    // Declarations written in some other form would leave the check passing on nothing.
    EXPECT_GE(moduleCount, 6);
}

bool IsIdentifier(const std::string& text) {
    return text.rfind("%Z% ", 0) == 0 || text.rfind("%z% ", 0) == 0;
}

bool CarriesIdentifier(const Source& source) {
    for (const auto& [name, text] : DefinitionsIn(source.text)) {
        if (IsIdentifier(text)) {
            return true;
        }
    }
    return false;
}

// The feeder's own folders; their tests are no part of it.
bool IsFeederSource(const std::string& path) {
    static const char* const kFeederFolders[] = {
        "text_functions/", "error_report/", "platform/", "config_control/",
        "shared_memory/",  "traffic/",      "app/"};
    if (path.find("/tests/") != std::string::npos) {
        return false;
    }
    for (const char* folder : kFeederFolders) {
        if (path.rfind(folder, 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST(ModuleComponents, EveryFeederSourceCarriesAnIdentifierAndNothingElseDoes) {
    int feederSources = 0;
    int others = 0;
    for (const Source& source : ReadSources()) {
        SCOPED_TRACE(source.path);
        const bool carries = CarriesIdentifier(source);
        if (IsFeederSource(source.path)) {
            if (source.path.ends_with(".cpp")) {
                ++feederSources;
                EXPECT_TRUE(carries) << "a source file of the feeder without its identifier";
            }
        } else {
            ++others;
            EXPECT_FALSE(carries) << "a tool, test, fuzz target or benchmark with an identifier";
        }
    }
    EXPECT_GE(feederSources, 50);
    EXPECT_GE(others, 200);
}

} // namespace
