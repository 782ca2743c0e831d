#include "profile/SectionList.h"

#include "profile/ProfileTestSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace
{
// The record layout is part of the exported interface: fields in table order, fixed text widths.
static_assert(offsetof(SECTION_LIST, kind) < offsetof(SECTION_LIST, prevSection) &&
                  offsetof(SECTION_LIST, prevSection) < offsetof(SECTION_LIST, nextSection) &&
                  offsetof(SECTION_LIST, nextSection) < offsetof(SECTION_LIST, firstLine) &&
                  offsetof(SECTION_LIST, firstLine) < offsetof(SECTION_LIST, reserved) &&
                  offsetof(SECTION_LIST, reserved) < offsetof(SECTION_LIST, name),
              "SECTION_LIST fields keep their order");
static_assert(offsetof(LINE_LIST, kind) < offsetof(LINE_LIST, section) &&
                  offsetof(LINE_LIST, section) < offsetof(LINE_LIST, prevLine) &&
                  offsetof(LINE_LIST, prevLine) < offsetof(LINE_LIST, nextLine) &&
                  offsetof(LINE_LIST, nextLine) < offsetof(LINE_LIST, value) &&
                  offsetof(LINE_LIST, value) < offsetof(LINE_LIST, key),
              "LINE_LIST fields keep their order");
static_assert(sizeof(SECTION_LIST::name) == 256 && sizeof(LINE_LIST::value) == 4096 &&
                  sizeof(LINE_LIST::key) == 256 && sizeof(SECTION_LIST::kind) == 4,
              "fixed field widths");

std::string Keys(const char* buffer)
{
    std::string list;
    for (; *buffer != '\0'; buffer += std::strlen(buffer) + 1)
    {
        list += std::string(buffer) + "|";
    }
    return list;
}
}  // namespace

TEST(SectionListTest, AddSection_SameNameAnyCaseOrDecoration_OneSection)
{
    CSectionList doc;
    SECTION_LIST* setup = doc.AddSection("[Setup]");
    ASSERT_NE(nullptr, setup);
    EXPECT_EQ(1u, setup->kind) << "a section record has kind 1";
    EXPECT_STREQ("Setup", setup->name) << "brackets are not part of the name";
    EXPECT_EQ(setup, doc.AddSection("setup")) << "an existing name returns the existing record";
    EXPECT_EQ(setup, doc.FindSection(" \"[SETUP]\" ")) << "requests are trimmed of blanks, quotes, brackets";
    EXPECT_EQ(nullptr, setup->nextSection) << "only one section exists";

    doc.AddSection("Last");
    SECTION_LIST* middle = doc.AddSection("Middle", "setup");
    ASSERT_NE(nullptr, middle);
    EXPECT_EQ(middle, setup->nextSection) << "insert-after places the section right after the named one";
    EXPECT_STREQ("Last", middle->nextSection->name);
    EXPECT_EQ(nullptr, doc.AddSection("")) << "an empty name is refused";
    EXPECT_EQ(nullptr, doc.AddSection(nullptr)) << "a null name is refused";
    EXPECT_EQ(nullptr, doc.AddSection(std::string(256, 'N').c_str())) << "a name over 255 is refused, not cut";
    EXPECT_NE(nullptr, doc.AddSection(std::string(255, 'N').c_str())) << "255 characters fit";
}

TEST(SectionListTest, AddLine_SplitsAtFirstEqualSign_AndRefusesOversizedText)
{
    CSectionList doc;
    SECTION_LIST* section = doc.AddSection("S");
    LINE_LIST* line = doc.AddLine("S", "  A = b = c  ");
    ASSERT_NE(nullptr, line);
    EXPECT_EQ(0u, line->kind) << "a line record has kind 0";
    EXPECT_EQ(section, line->section);
    EXPECT_STREQ("A", line->key);
    EXPECT_STREQ("b = c", line->value) << "the value is everything right of the first '='";
    LINE_LIST* flag = doc.AddLine(section, "FLAG");
    ASSERT_NE(nullptr, flag);
    EXPECT_STREQ("FLAG", flag->key);
    EXPECT_STREQ("", flag->value) << "a line without '=' has an empty value";

    EXPECT_EQ(line, doc.AddLine(section, "a=new", true)) << "replace overwrites the first line with that key";
    EXPECT_STREQ("new", line->value);
    LINE_LIST* inserted = doc.AddLine(section, "B=1", false, "a");
    EXPECT_EQ(inserted, line->nextLine) << "insert-after places the line after the named key";
    EXPECT_EQ(flag, inserted->nextLine);

    EXPECT_EQ(nullptr, doc.AddLine("Missing", "X=1")) << "a missing section takes no line";
    EXPECT_EQ(nullptr, doc.AddLine(section, "")) << "empty text is refused";
    EXPECT_EQ(nullptr, doc.AddLine(section, (std::string(256, 'k') + "=1").c_str())) << "key over 255";
    EXPECT_EQ(nullptr, doc.AddLine(section, ("K=" + std::string(4096, 'v')).c_str())) << "value over 4095";
    LINE_LIST* longest = doc.AddLine(section, ("K=" + std::string(4095, 'v')).c_str());
    ASSERT_NE(nullptr, longest) << "a 4095-character value fits";
    EXPECT_EQ(4095u, std::strlen(longest->value));
}

TEST(SectionListTest, FindKeyAndSetValue_Occurrences)
{
    CSectionList doc;
    doc.AddSection("S");
    doc.AddLine("S", "KEY = first");
    doc.AddLine("S", "key = second");
    char value[16] = {};
    EXPECT_TRUE(doc.GetValue("S", "KEY", value, sizeof(value), 1));
    EXPECT_STREQ("second", value) << "occurrence 1 is the second line with the key";
    EXPECT_FALSE(doc.GetValue("S", "KEY", value, sizeof(value), 2)) << "there is no third line";
    EXPECT_TRUE(doc.GetValue("S", "KEY", value, 4, 0));
    EXPECT_STREQ("fir", value) << "GetValue copies at most the buffer size";
    EXPECT_EQ(nullptr, doc.FindKey(doc.FindSection("S"), -1)) << "position -1 gives null";
    EXPECT_EQ(nullptr, doc.FindKey(doc.FindSection("S"), 2)) << "a position past the end gives null";
    EXPECT_STREQ("key", doc.FindKey(doc.FindSection("S"), 1)->key);

    CSectionList once;
    EXPECT_TRUE(once.SetValue("T", "ONLY", "1")) << "SetValue creates the missing section";
    EXPECT_TRUE(once.SetValue("T", "ONLY", "2", 1));
    const SECTION_LIST* t = once.FindSection("T");
    EXPECT_STREQ("2", t->firstLine->value) << "occurrence 1 of a single key overwrites the first occurrence";
    EXPECT_EQ(nullptr, t->firstLine->nextLine) << "no second line is added";
    EXPECT_TRUE(once.SetValue("T", "BARE", ""));
    EXPECT_STREQ("BARE", t->firstLine->nextLine->key) << "an empty value adds the bare key at the end";
    EXPECT_FALSE(once.SetValue("T", "X", std::string(4096, 'v').c_str())) << "a value over 4095 is refused";
}

TEST(SectionListTest, DeleteOperations_UnlinkAndFree)
{
    CSectionList doc;
    for (const char* name : {"A", "B", "C"})
    {
        doc.AddSection(name);
        doc.AddLine(name, "K1=1");
        doc.AddLine(name, "K2=2");
        doc.AddLine(name, "K3=3");
    }
    EXPECT_TRUE(doc.DeleteLine("A", "k2"));
    EXPECT_STREQ("K3", doc.FindSection("A")->firstLine->nextLine->key);
    EXPECT_FALSE(doc.DeleteLine("A", "K2")) << "the line is gone";
    doc.DeleteLineList(doc.FindKey(doc.FindSection("B"), 1));
    EXPECT_EQ(nullptr, doc.FindSection("B")->firstLine->nextLine) << "the line before ends the list";
    EXPECT_TRUE(doc.DeleteAllLines("C"));
    EXPECT_EQ(nullptr, doc.FindSection("C")->firstLine);
    EXPECT_TRUE(doc.DeleteSection("A"));
    EXPECT_STREQ("B", doc.GetFirstSection()->name) << "deleting the first section moves the start";
    EXPECT_EQ(nullptr, doc.GetFirstSection()->prevSection);
    EXPECT_FALSE(doc.DeleteSection("A"));
    doc.DeleteSectionList(doc.FindSection("C"));
    EXPECT_EQ(nullptr, doc.FindSection("B")->nextSection) << "the section before ends the list";
    doc.ClearAll();
    EXPECT_EQ(nullptr, doc.GetFirstSection());
}

TEST(SectionListTest, GetAllKey_BufferTooSmall_ZeroFilledAndFullSize)
{
    CSectionList doc;
    doc.AddSection("S");
    doc.AddLine("S", "AB=1");
    doc.AddLine("S", "CDE");
    char buffer[16];
    DWORD size = 8;   // "AB\0CDE\0" plus the list's final zero byte
    DWORD count = 99;
    EXPECT_EQ(0u, doc.GetAllKey("S", buffer, &size, &count));
    EXPECT_EQ("AB|CDE|", Keys(buffer));
    EXPECT_EQ(7u, size) << "the size needed, without the final extra zero";
    EXPECT_EQ(2u, count);

    std::memset(buffer, 'x', sizeof(buffer));
    size = 7;
    EXPECT_EQ(14u, doc.GetAllKey("S", buffer, &size, &count)) << "one byte too small";
    EXPECT_EQ(std::string(7, '\0'), std::string(buffer, 7)) << "the buffer is zero-filled";
    EXPECT_EQ('x', buffer[7]) << "nothing past the buffer size is touched";
    EXPECT_EQ(7u, size) << "the full size needed is still reported";

    size = sizeof(buffer);
    EXPECT_EQ(13u, doc.GetAllKey("Missing", buffer, &size, nullptr));
    EXPECT_EQ(87u, doc.GetAllKey("S", buffer, nullptr, nullptr));
    EXPECT_EQ(87u, doc.GetAllKey(nullptr, buffer, &size, nullptr));
}

TEST(SectionListTest, SaveFile_WritesExactTextForm)
{
    CTempFolder folder;
    CSectionList doc;
    doc.AddSection("First");
    doc.AddLine("First", "KEY=value");
    doc.AddLine("First", "FLAG");
    doc.AddSection("Empty");
    {
        CTestOutputFile file(folder.Path("out.ini"));
        EXPECT_EQ(0u, doc.SaveFile(file.Get()));
    }
    EXPECT_EQ("[First]\r\nKEY = value\r\nFLAG\r\n\r\n[Empty]\r\n\r\n", folder.Read("out.ini"))
        << "header, 'key = value' or bare key lines, one empty line per section, nothing else";
}

TEST(SectionListTest, Copy_SharesRecordsAndSourceKeepsOwnership)
{
    auto source = std::make_unique<CSectionList>();
    source->AddSection("S");
    source->AddLine("S", "K=1");
    {
        CSectionList copy(*source);
        EXPECT_EQ(source->GetFirstSection(), copy.GetFirstSection()) << "the copy refers to the same records";
        EXPECT_TRUE(source->OwnsRecords());
        EXPECT_FALSE(copy.OwnsRecords());
        EXPECT_TRUE(copy.SetValue("S", "K", "2")) << "a copy may change values in place";
        EXPECT_FALSE(copy.DeleteSection("S")) << "a copy never frees shared records";
        copy.ClearAll();
        EXPECT_EQ(nullptr, copy.GetFirstSection()) << "clearing a copy only lets go of the records";
        EXPECT_NE(nullptr, copy.AddSection("Own"));
        EXPECT_TRUE(copy.OwnsRecords()) << "an emptied copy owns what it adds";
    }   // destroying the copy frees only its own section; ASan reports any double free
    EXPECT_STREQ("2", source->FindKey(source->FindSection("S"), "K", 0)->value) << "source records intact";

    CSectionList assigned;
    assigned.AddSection("Old");
    assigned = *source;   // frees "Old", then shares the source's records
    EXPECT_EQ(source->GetFirstSection(), assigned.GetFirstSection());
    CSectionList moved(std::move(*source));
    EXPECT_TRUE(moved.OwnsRecords()) << "moving transfers ownership";
    EXPECT_EQ(nullptr, source->GetFirstSection());
    source.reset();
    EXPECT_STREQ("S", assigned.GetFirstSection()->name) << "the records live on with their new owner";
}
