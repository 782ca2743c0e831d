#include "profile/ConfigProfile.h"

#include "profile/ProfileTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

// Deterministic random input: raw bytes and profile-like text with long lines, zero bytes, quotes,
// comments, percent and at signs. Every reader must stay inside its buffers (the native build runs
// this under AddressSanitizer and UndefinedBehaviorSanitizer) and the readers' results must be sane.
namespace
{
std::string RandomToken(std::mt19937& random)
{
    static const char* const kPieces[] = {"[", "]", "=", "\"", "//", "/*", "*/", "%", "@", "\\n", "\\r", ",",
                                          "\r\n", "\n", "\r", " ", "\t", "0x", "-", "KEY", "S", "STRINGS",
                                          "MESSAGES", "%K%", "@K@", "%S%", "1", "255", "\x83\x41", "\x81\x40"};
    const size_t pick = random() % 40;
    if (pick < sizeof(kPieces) / sizeof(kPieces[0]))
    {
        return kPieces[pick];
    }
    if (pick == 39)
    {
        return std::string(random() % 5000, static_cast<char>('a' + random() % 26));   // long runs
    }
    return std::string(1, static_cast<char>(random() % 256));   // any byte, zero included
}

std::string RandomText(std::mt19937& random, bool structured)
{
    std::string text;
    const size_t pieces = random() % 400;
    for (size_t i = 0; i < pieces; ++i)
    {
        text += structured ? RandomToken(random) : std::string(1, static_cast<char>(random() % 256));
    }
    return text;
}

void QueryEverything(CConfigProfile& profile)
{
    const CProfile& main = profile.GetMain();
    std::vector<char> buffer(CConfigProfile::kTextSize);
    EXPECT_NE(87u, main.GetSectionName(buffer.data(), 64, true));
    EXPECT_NE(87u, main.GetSectionName(buffer.data(), static_cast<DWORD>(buffer.size()), false));
    for (const SECTION_LIST* s = main.GetMainDocument().GetFirstSection(); s != nullptr; s = s->nextSection)
    {
        EXPECT_LT(std::strlen(s->name), 256u);
        (void)profile.GetSectionKeys(s->name, buffer.data(), static_cast<DWORD>(buffer.size()));
        (void)main.GetAllKey(s->name, buffer.data(), 100, true, true);
        for (const LINE_LIST* line = s->firstLine; line != nullptr; line = line->nextLine)
        {
            EXPECT_LT(std::strlen(line->value), 4096u);
            std::string text;
            SIZE size;
            POINT point;
            DWORD color;
            RECT rect;
            EXPECT_TRUE(profile.GetString(s->name, line->key, text) || line->key[0] == '\0');
            (void)profile.GetString(s->name, line->key, buffer.data(), 7);
            (void)main.GetControl(s->name, line->key, &size);
            (void)main.GetControl(s->name, line->key, &point);
            (void)main.GetControl(s->name, line->key, &color);
            (void)main.GetControl(s->name, line->key, &rect);
            (void)CProfile::StringToDword(line->value);
            std::strcpy(buffer.data(), line->value);
            (void)main.ConvertDefinedString(buffer.data(), 4096, true);
        }
    }
}
}  // namespace

TEST(ProfileRandomTest, RandomFiles_LoadAndQueryWithinBounds)
{
    CTempFolder folder;
    std::mt19937 random(20240601u);
    for (int round = 0; round < 150; ++round)
    {
        const bool structured = round % 3 != 0;
        const std::string main = folder.Write("r.kvi", RandomText(random, structured));
        const std::string strings = folder.Write("r.str", "[STRINGS]\n%K% = %S%x\n%S% = %K%" + RandomText(random, true));
        const std::string messages = folder.Write("m.str", "[MESSAGES]\nK = @K@@K@\n" + RandomText(random, true));
        CConfigProfile profile;
        profile.Open(main.c_str(), strings.c_str(), messages.c_str(), round % 2 == 0);
        profile.SetRemoteInstallPreparation(round % 5 == 0);
        QueryEverything(profile);
    }
}

TEST(ProfileRandomTest, RandomBuffers_ProcessAndParseWithinBounds)
{
    std::mt19937 random(7u);
    for (int round = 0; round < 300; ++round)
    {
        const std::string text = RandomText(random, round % 2 == 0);
        std::vector<char> out(2 * text.size() + 1);
        EXPECT_TRUE(CProfile::ProcessData(text.data(), out.data(), static_cast<DWORD>(text.size()),
                                          static_cast<DWORD>(out.size())));
        EXPECT_LE(std::strlen(out.data()), 2 * text.size()) << "the output is zero-terminated in its buffer";
        CSectionList doc;
        EXPECT_TRUE(CProfile::Parsing(out.data(), doc));
        std::vector<char> small(random() % 8 + 1);
        (void)CProfile::ProcessData(text.data(), small.data(), static_cast<DWORD>(text.size()),
                                    static_cast<DWORD>(small.size()));
        EXPECT_LT(std::strlen(small.data()), small.size()) << "a short output buffer is never overrun";
    }
}
