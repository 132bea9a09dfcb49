#pragma once

#include <array>
#include <atomic>
#include <concepts>
#include <cstddef>
#include <span>

// Configuration control: collects the revision identifiers of the program's modules and, while
// a report file is open, writes one row per identifier under a fixed header.

inline constexpr char kConfigControlHeaderRevision[] =
    "%Z% ConfigControl QX3103:05 ConfigControl.h $Revision: 1.5 $";

// Creates (or truncates) the report file and writes its header. Returns 1 when the file was
// created, 0 otherwise; a report already open is closed first.
int OpenConfigReport(const char* fileName);

// Parses a revision identifier into the module-wide fields and, while the report is open,
// writes its row. A null identifier is ignored.
void RegisterRevision(const char* identifier);

// Bracket the registrations of one module; they write nothing and change no state.
void BeginConfigGroup(const char* title);
void EndConfigGroup();

void CloseConfigReport();

// Registers a module's identifiers as one group unless the module's flag says it is done, and
// sets the flag. Registrations from several threads take their turns, group by group.
void RegisterModuleOnce(std::atomic<bool>& registered, const char* groupTitle,
                        std::span<const char* const> identifiers);

// A module's revision identifiers, registered as one group the first time any thread calls
// Register, so that each module appears once per run however often it is used. A module holds
// one, titled with its component name:
//     ModuleRevisions revisions{"DataSetReader", kDataSetReaderHeaderRevision, kSourceRevision};
// Built at compile time, it is ready before any other module's start-up code could use it.
template <std::size_t Count> class ModuleRevisions {
public:
    template <std::convertible_to<const char*>... Identifiers>
    consteval explicit ModuleRevisions(const char* groupTitle, Identifiers... identifiers)
        : groupTitle(groupTitle), identifiers{identifiers...} {}

    // Once registered, a call costs one load: modules call it on every line they read.
    void Register() {
        if (!registered.load(std::memory_order_acquire)) {
            RegisterModuleOnce(registered, groupTitle, identifiers);
        }
    }

private:
    const char* groupTitle;
    std::array<const char*, Count> identifiers;
    std::atomic<bool> registered{false};
};

template <typename... Identifiers>
ModuleRevisions(const char*, Identifiers...) -> ModuleRevisions<sizeof...(Identifiers)>;

// Module registrations. Text functions and the error-report module cannot depend on
// configuration control, so their registrations live here.
void RegisterTextFunctions();
void RegisterStringOperations(); // the string-operations source of the text functions
void RegisterErrorReport();      // once per run
void RegisterConfigControl();    // registers the text functions first
