#pragma once
// One command: a type name from the command vocabulary ("CT_...") and five parameters, each a
// zero-terminated 8-bit text in a fixed field. An absent parameter is the empty text. Records are
// filled only through the bounded copies below, into a zeroed record, so no field ever runs over.

#include <cstddef>
#include <memory>
#include <string>

constexpr size_t kCommandFieldSize = 16384;                   // at most 16383 characters and the zero
constexpr int kCommandParamCount = 5;

struct CommandRecord
{
    char type[kCommandFieldSize];
    char param[kCommandParamCount][kCommandFieldSize];        // CMD_PARAM1 .. CMD_PARAM5
};

// Makes every field of the record empty.
void ClearCommandRecord(CommandRecord& record);

// Copies text into a field, cut to 16383 characters; false when it had to be cut.
bool SetCommandField(char (&field)[kCommandFieldSize], const char* text);
bool SetCommandField(char (&field)[kCommandFieldSize], const std::string& text);

// A zeroed record on the heap (a record is 96 KB, too large for small thread stacks) with the given
// fields, each cut to fit.
using CommandRecordPtr = std::unique_ptr<CommandRecord>;
CommandRecordPtr MakeCommandRecord(const char* type = "", const char* p1 = "", const char* p2 = "",
                                   const char* p3 = "", const char* p4 = "", const char* p5 = "");

// A copy of another record into a zeroed heap record; every field is terminated within its size
// even when the source's was not.
CommandRecordPtr CopyCommandRecord(const CommandRecord& source);
