#pragma once
// The minimum requirements checked before a first installation: free disk space, the Windows versions
// the product refuses, and for USB-only products a usable USB connection. Built for one check from
// section SYSTEM_REQUIREMENT of the data file; a failed check shows its message in a message box
// captioned with the program name.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CInstallEnv;

// The data file's section of the minimum requirements, and of the messages about the system.
constexpr const char* kSystemRequirementSection = "SYSTEM_REQUIREMENT";

// The keys of section SYSTEM_REQUIREMENT. The environment overwrites a member only when its key is
// present; the others keep these defaults.
struct SystemRequirementValues
{
    DWORD freeSpace = 0;                                      // FREE_SPACE, in MB
    std::string unsupportedOs;                                // UNSUPPORTED_OS: OS define strings
    std::string msgNotSupportedOs =                           // MSG_NOT_SUPPORTED_OS
        "This Windows Version is not supported.\r\nThe Setup program will be terminated.";
    std::string msgNoFreeSpace =                              // MSG_NO_FREE_SPACE, one %s for "<n>MB"
        "The available Disk space is not enough. Please increase available disk space about \"%s\" and try "
        "again.";
    std::string msgUsbNotAvailable =                          // MSG_USB_NOT_AVAILABLE
        "USB Devic is not available. Please check the configuration of system and BIOS then USB device as "
        "available status and try again.";
};

// The helper-library entries the checks ask. An empty callable is a missing entry point: the free space
// is then unknown (the check passes) and no port count is read.
struct SystemRequirementHelpers
{
    // GetDiskFreeSpaceKV: free space in MB of the drive of path ("" for the system's choice), 0 unknown.
    std::function<DWORD(const char* path)> getDiskFreeSpace;
    // GetDevicePort with the model's MFG, MDL and VIDPID: port names into a buffer of kPortBufferSize
    // bytes, the number of ports into count (-1 when USB is not available).
    std::function<void(char* ports, DWORD* count)> getDevicePort;
};

class CSystemRequirement
{
public:
    enum MessageType
    {
        kNoMessage = 0,
        kMsgNoFreeSpace = 1,
        kMsgNotSupportedOs = 2,
        kMsgUsbNotAvailable = 3,
    };
    static constexpr size_t kMessageBufferSize = 16384;       // longer message texts are cut
    static constexpr DWORD kPortBufferSize = 16384;

    // active: the data file has a section whose name contains SYSTEM_REQUIREMENT (IsCheckActive).
    // osDefine: this system's OS define string; programName: PROGRAM_NAME, the message boxes' caption.
    CSystemRequirement(bool active, SystemRequirementValues values, std::string osDefine, std::string programName,
                       SystemRequirementHelpers helpers);

    // True when every requirement is met (always when the check is not active); otherwise shows the
    // first unmet requirement's message and returns false. usbOnly adds the USB check.
    bool CheckRequirements(bool usbOnly) const;
    // True unless the known free space of path's drive is below FREE_SPACE; showMessage shows the
    // free-space message on failure.
    bool CheckFreeSpace(const char* path, bool showMessage) const;
    // Shows the message of type (1 free space, 2 unsupported OS, 3 USB); any other type shows nothing.
    void ShowRequirementMessage(int type) const;

    // What CheckRequirements decides, without showing anything: the message type, kNoMessage to pass.
    int FindUnmetRequirement(bool usbOnly) const;
    // The text ShowRequirementMessage shows for type; empty for any other type.
    std::string MessageText(int type) const;
    const std::string& Caption() const { return m_programName; }

    // True when one of the data file's section names, upper-cased, contains "SYSTEM_REQUIREMENT".
    static bool IsCheckActive(const std::vector<std::string>& sectionNames);

private:
    bool HasFreeSpace(const char* path) const;
    bool IsOsUnsupported() const;
    bool IsUsbUnavailable() const;

    bool m_active;
    SystemRequirementValues m_values;
    std::string m_osDefine;
    std::string m_programName;
    SystemRequirementHelpers m_helpers;
};

// The check of the environment's product: the keys of its data file's SYSTEM_REQUIREMENT (those that are
// missing keep their defaults), its OS define string and program name, and the utility library's
// free-space and device-port entries.
CSystemRequirement ReadSystemRequirement(CInstallEnv& env);
