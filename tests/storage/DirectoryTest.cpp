#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msword/storage/Directory.h"

using namespace msword::storage;

namespace {
TDirectoryEntry Entry(std::u16string name, uint8_t type, uint32_t left = NOSTREAM, uint32_t right = NOSTREAM,
                      uint32_t child = NOSTREAM) {
  TDirectoryEntry e;
  e.Name = std::move(name);
  e.ObjectType = type;
  e.LeftSiblingId = left;
  e.RightSiblingId = right;
  e.ChildId = child;
  return e;
}

std::vector<std::u16string> Names(const TDirectory& d, uint32_t storage) {
  std::vector<std::u16string> names;
  for (uint32_t id : d.Children(storage)) names.push_back(d.Entry(id).Name);
  return names;
}
}  // namespace

TEST(Directory, ElementsComeInTreeOrder) {
  // B(2) has A(1) on its left and CC(3) on its right; storage CC holds x(4).
  TDirectory d({Entry(u"Root Entry", STGTY_ROOT, NOSTREAM, NOSTREAM, 2), Entry(u"A", STGTY_STREAM),
                Entry(u"B", STGTY_STREAM, 1, 3), Entry(u"CC", STGTY_STORAGE, NOSTREAM, NOSTREAM, 4),
                Entry(u"x", STGTY_STREAM)});
  EXPECT_EQ(Names(d, 0), (std::vector<std::u16string>{u"A", u"B", u"CC"}));
  EXPECT_EQ(Names(d, 3), (std::vector<std::u16string>{u"x"}));
  EXPECT_EQ(d.FindChild(0, u"cc", STGTY_STORAGE), 3u);
  EXPECT_EQ(d.FindChild(0, u"CC", STGTY_STREAM), NOSTREAM);
  EXPECT_EQ(d.FindChild(0, u"x", STGTY_STREAM), NOSTREAM);  // not in the root
}

TEST(Directory, CyclesAndStrayLinksGiveEachElementOnce) {
  struct Case {
    const char* what;
    std::vector<TDirectoryEntry> entries;
    std::vector<std::u16string> root, storage;
  };
  const Case cases[] = {
      {"right sibling back to the tree's root",
       {Entry(u"R", STGTY_ROOT, NOSTREAM, NOSTREAM, 2), Entry(u"A", STGTY_STREAM, NOSTREAM, 2),
        Entry(u"B", STGTY_STREAM, 1, NOSTREAM)},
       {u"A", u"B"},
       {}},
      {"left sibling to itself, links out of range",
       {Entry(u"R", STGTY_ROOT, NOSTREAM, NOSTREAM, 1), Entry(u"A", STGTY_STREAM, 1, 77)},
       {u"A"},
       {}},
      {"storage whose child is its own parent's tree",
       {Entry(u"R", STGTY_ROOT, NOSTREAM, NOSTREAM, 1), Entry(u"S", STGTY_STORAGE, NOSTREAM, 2, 1),
        Entry(u"T", STGTY_STREAM)},
       {u"S", u"T"},
       {}},
      {"child link to the root entry",
       {Entry(u"R", STGTY_ROOT, NOSTREAM, NOSTREAM, 1), Entry(u"S", STGTY_STORAGE, NOSTREAM, NOSTREAM, 0)},
       {u"S"},
       {}},
      {"unused entry inside the tree is passed over, its links followed",
       {Entry(u"R", STGTY_ROOT, NOSTREAM, NOSTREAM, 2), Entry(u"A", STGTY_STREAM),
        Entry(u"", STGTY_INVALID, 1, 3), Entry(u"S", STGTY_STORAGE, NOSTREAM, NOSTREAM, 4),
        Entry(u"x", STGTY_STREAM)},
       {u"A", u"S"},
       {u"x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDirectory d(c.entries);
    EXPECT_EQ(Names(d, 0), c.root);
    for (uint32_t id = 0; id < d.Count(); ++id)
      if (d.Entry(id).ObjectType == STGTY_STORAGE) {
        EXPECT_EQ(Names(d, id), c.storage);
      }
  }
}

TEST(Directory, DegenerateTreeOfManyElementsIsWalkedWithoutRecursion) {
  // Every element is the right sibling of the one before: a tree 200,000 deep.
  std::vector<TDirectoryEntry> entries{Entry(u"R", STGTY_ROOT, NOSTREAM, NOSTREAM, 1)};
  const uint32_t n = 200000;
  for (uint32_t i = 1; i <= n; ++i)
    entries.push_back(Entry(u"s", STGTY_STREAM, NOSTREAM, i < n ? i + 1 : NOSTREAM));
  TDirectory d(std::move(entries));
  EXPECT_EQ(d.Children(0).size(), n);
  EXPECT_EQ(d.Children(0).front(), 1u);
  EXPECT_EQ(d.Children(0).back(), n);
}

TEST(Directory, EntryDecodingCutsTheNameAndKeepsTheVersion3SizeLow) {
  uint8_t raw[128] = {};
  for (int i = 0; i < 32; ++i) raw[2 * i] = uint8_t('a' + i % 26);  // no terminator in the field
  raw[64] = 200;                                                    // claims 200 bytes
  raw[66] = STGTY_STREAM;
  for (int i = 0; i < 8; ++i)
    raw[120 + i] = uint8_t(i == 1 ? 0x10 : i >= 4 ? 0xEF : 0);  // 0x1000, high dword set
  TDirectoryEntry v3, v4;
  DecodeDirectoryEntry(raw, true, v3);
  DecodeDirectoryEntry(raw, false, v4);
  EXPECT_EQ(v3.Name, u"abcdefghijklmnopqrstuvwxyzabcde");  // 31 characters: the field less the terminator
  EXPECT_EQ(v3.StreamSize, 0x1000u);
  EXPECT_EQ(v4.StreamSize, 0xEFEFEFEF00001000u);
}

// Names compare as upper-cased characters, outside ASCII too (where the case
// mapping comes from ICU, loaded when first needed).
TEST(Directory, ElementNamesMatchIgnoringCaseOutsideAsciiToo) {
  struct Case {
    std::u16string_view a, b;
    bool same;
  };
  const Case cases[] = {
      {u"WordDocument", u"WORDDOCUMENT", true},
      {u"\u00E9t\u00E9", u"\u00C9T\u00C9", true},          // été, ÉTÉ
      {u"\u041B\u0438\u0441\u04421", u"\u041B\u0418\u0421\u04221", true},  // Лист1, ЛИСТ1
      {u"ete", u"\u00C9T\u00C9", false},                     // an accent counts
      {u"\u00DF", u"SS", false},                              // one character for one
      {u"ab", u"abc", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameElementName(c.a, c.b), c.same) << std::string(c.a.begin(), c.a.end());
    EXPECT_EQ(SameElementName(c.b, c.a), c.same);
  }
}

TEST(Directory, AStorageOutOfNameOrderIsLookedUpByNameAllTheSame) {
  // 20,000 streams chained right to right in descending name order: enumerated as
  // stored, found by name (exact case first, then any case) without a scan each.
  std::vector<TDirectoryEntry> entries{Entry(u"Root Entry", STGTY_ROOT, NOSTREAM, NOSTREAM, 1)};
  constexpr uint32_t count = 20000;
  for (uint32_t i = 0; i < count; ++i) {
    std::string name = "S" + std::to_string(count - 1 - i);
    const uint32_t right = i + 1 < count ? i + 2 : NOSTREAM;
    entries.push_back(Entry(std::u16string(name.begin(), name.end()), STGTY_STREAM, NOSTREAM, right));
  }
  // Two names that differ only in case, the lower one first in the tree.
  entries.back().Name = u"dup";
  entries.back().RightSiblingId = count + 1;
  entries.push_back(Entry(u"DUP", STGTY_STREAM));
  TDirectory d(entries);
  ASSERT_EQ(d.Children(0).size(), count + 1);
  EXPECT_EQ(d.Entry(d.Children(0).front()).Name, u"S19999");
  for (uint32_t i = 1; i < count; ++i) {
    std::string name = "s" + std::to_string(i);
    ASSERT_EQ(d.FindChild(0, std::u16string(name.begin(), name.end()), STGTY_STREAM), count - i) << name;
  }
  EXPECT_EQ(d.FindChild(0, u"DUP", STGTY_STREAM), count + 1);
  EXPECT_EQ(d.FindChild(0, u"dup", STGTY_STREAM), count);
  EXPECT_EQ(d.FindChild(0, u"Dup", STGTY_STREAM), count);
  EXPECT_EQ(d.FindChild(0, u"S1", STGTY_STORAGE), NOSTREAM);
}
