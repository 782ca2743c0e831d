// libFuzzer entry: loads the input as processed profile text and reads every line back.
#include "profile/Profile.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<char> out(2 * text.size() + 1);
    CProfile::ProcessData(text.data(), out.data(), static_cast<DWORD>(text.size()), static_cast<DWORD>(out.size()));
    CSectionList doc;
    CProfile::Parsing(out.data(), doc);
    CProfile profile;
    std::vector<char> buffer(16384);
    for (const SECTION_LIST* s = doc.GetFirstSection(); s != nullptr; s = s->nextSection)
    {
        DWORD length = 64;
        doc.GetAllKey(s->name, buffer.data(), &length, nullptr);
        for (const LINE_LIST* line = s->firstLine; line != nullptr; line = line->nextLine)
        {
            std::strcpy(buffer.data(), line->value);
            profile.ConvertDefinedString(buffer.data(), 4096, true);
            CProfile::StringToDword(line->value);
        }
    }
    return 0;
}
