#pragma once

#include <initializer_list>
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

// Registers a module's identifiers as one group the first time it is called with the module's
// flag, so that each module appears once per run however often it is used.
void RegisterModuleOnce(bool& registered, const char* groupTitle,
                        std::span<const char* const> identifiers);
inline void RegisterModuleOnce(bool& registered, const char* groupTitle,
                               std::initializer_list<const char*> identifiers) {
    RegisterModuleOnce(registered, groupTitle, {identifiers.begin(), identifiers.size()});
}

// Module registrations. Text functions and the error-report module cannot depend on
// configuration control, so their registrations live here.
void RegisterTextFunctions();
void RegisterStringOperations(); // the string-operations source of the text functions
void RegisterErrorReport();      // once per run
void RegisterConfigControl();    // registers the text functions first
