#pragma once

// The parsed form of a revision identifier, shared by the registration and the report file.

inline constexpr char kConfigStringHeaderRevision[] =
    "%Z% ConfigControl QX3103:04 ConfigString.h $Revision: 1.2 $";

// Identifiers of the two sources of configuration control, registered with the module.
extern const char kConfigFileRevision[];
extern const char kRevisionStringRevision[];

// The fields of the last identifier registered. A word that an identifier lacks leaves the
// previous identifier's value in place.
struct ConfigString {
    static constexpr int kComponentSize = 100;
    static constexpr int kPartNumberSize = 32;
    static constexpr int kFileNameSize = 1024;
    static constexpr int kRevisionSize = 36;

    char component[kComponentSize];
    char partNumber[kPartNumberSize];
    char fileName[kFileNameSize];
    char revision[kRevisionSize];
};

// The module-wide fields, kept for the whole run.
const ConfigString& LastConfigString();

// Report rows; each writes nothing while no report is open.
void WriteConfigRow(const ConfigString& row);
void WriteUnrecognisedConfigString();
