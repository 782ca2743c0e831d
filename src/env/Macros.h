#pragma once
// Macro variables ($NAME$) in configuration texts: replaced by the environment's values at the moment
// of the call. Plain text processing, no system calls.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/PathText.h"

// The longest expanded text a fixed buffer holds, without its terminating zero.
constexpr size_t kMaxExpandedText = 16383;

// The environment's values the macros stand for. Derived values ($INF_DIR$, $DEST_INST_DIR$,
// $STRING_FILE_NAME$, $INSTALLER_EXE$) are formed from these.
struct MacroValues
{
    std::string langAbbr;                 // $LANG_ABBR$
    std::string orgLangAbbr;              // $ORG_LANG_ABBR$: the requested language's
    std::string srcDir;                   // $SRC_DIR$, no trailing backslash
    std::string destDir;                  // $DEST_DIR$, no trailing backslash; $DEST_INST_DIR$ adds "\Install"
    std::string winDir;                   // $WIN_DIR$; $INF_DIR$ is "<it>\Inf"
    std::string sysDir;                   // $SYS_DIR$
    std::string osDir;                    // $OS_DIR$
    std::string programFilesDir;          // $PROGRAM_FILES_DIR$
    std::string langDir;                  // $LANG_DIR$
    std::string orgLangDir;               // $ORG_LANG_DIR$
    std::string dataFile;                 // $DATA_FILE$
    std::string configFile;               // $CONFIG_FILE$
    std::string stringFile;               // $STRING_FILE$; $STRING_FILE_NAME$ is the name after its folder
    std::string version;                  // $VERSION$
    std::string applicationName;          // $INSTALLER_EXE$ is "<it>.exe"
    std::string ip;                       // $IP$
    std::string port;                     // $PORT$
    std::uint16_t langId = 9;             // $LCID$
    std::uint16_t orgLangId = 9;          // $ORG_LCID$
    bool installed = false;               // $BOOL_INSTALLED$ and $BOOL_!INSTALLED$
    LeadBytePredicate isLeadByte = nullptr;   // splits $STRING_FILE$ by characters; null: single-byte text
};

// Per-call replacements for the current language; 0 and empty mean the current value.
struct MacroOverrides
{
    std::uint16_t langId = 0;             // $LCID$
    std::string langAbbr;                 // $LANG_ABBR$
    std::string langDir;                  // $LANG_DIR$
};

// Replaces every macro, in the fixed order of the table, each one everywhere at once and by exact
// comparison. A text inserted by one macro is seen by the later macros only; unknown $NAMES$ stay.
std::string ExpandMacros(const std::string& text, const MacroValues& values,
                         const MacroOverrides& overrides = MacroOverrides());

// The same into a caller's buffer of size bytes (kMaxExpandedText + 1 for the installer's fixed
// buffers). The result is always terminated; false when it had to be cut or size is 0. text may be
// the buffer itself.
bool ExpandMacros(const char* text, const MacroValues& values, const MacroOverrides& overrides, char* buffer,
                  size_t size);
