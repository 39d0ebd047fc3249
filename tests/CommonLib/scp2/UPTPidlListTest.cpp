#include "ShellTestSupport.h"

#include "UPTPidlList.h"

#include <gtest/gtest.h>

using namespace shelltest;

TEST(UPTPidlListTest, SortedListsFindAndRefuseDuplicates) {
    TPTPidlList list;
    list.Malloc = TComPtr<IMalloc>(GetShellMalloc());
    list.SetSorted(true);
    for (const char* name : {"m", "c", "x", "a", "q"})
        list.Add(MakePidl({name}));
    ASSERT_EQ(list.Count(), 5);
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LT(list.Compare(list.Pidls(i - 1), list.Pidls(i)), 0);

    int index = -1;
    TPTPidl q = Pidl({"q"}), b = Pidl({"b"}), zz = Pidl({"zz"});
    EXPECT_TRUE(list.Find(q.Get(), index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(list.Find(b.Get(), index));
    EXPECT_EQ(index, 1) << "where it would go";
    EXPECT_FALSE(list.Find(zz.Get(), index));
    EXPECT_EQ(index, 5);
    EXPECT_EQ(list.IndexOf(q.Get()), 3);
    EXPECT_EQ(list.IndexOf(b.Get()), -1);

    // The same PIDL twice: an error by default (the PIDL stays the caller's) ...
    TPTPidl again = Pidl({"q"});
    try {
        list.Add(again.Get());
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), L"TPTPidlList: Duplicate PIDL");
    }
    EXPECT_EQ(list.Count(), 5);
    // ... ignored (and freed, the list having been given it) ...
    list.Duplicates = dupIgnore;
    EXPECT_EQ(list.Add(again.Release()), 3);
    EXPECT_EQ(list.Count(), 5);
    // ... or listed beside the first.
    list.Duplicates = dupAccept;
    list.Add(MakePidl({"q"}));
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Compare(list.Pidls(3), list.Pidls(4)), 0);

    list.Delete(0);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_THROW(list.Delete(5), EListError);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(UPTPidlListTest, ByteOrderAndUnsortedLists) {
    TPTPidl a = Pidl({"a"}), ab = Pidl({"a", "b"}), b = Pidl({"b"}), longer = Pidl({"aa"});
    EXPECT_LT(ComparePidlBytes(a.Get(), ab.Get()), 0) << "same bytes first, then the size";
    EXPECT_GT(ComparePidlBytes(longer.Get(), b.Get()), 0) << "the size fields are bytes too";
    // Without Malloc the list only drops what it deletes.
    TPTPidlList list;
    list.Add(b.Get());
    list.Add(a.Get());
    EXPECT_EQ(list.IndexOf(a.Get()), 1) << "unsorted: appended, found by scanning";
    list.SetSorted(true);
    EXPECT_EQ(list.Pidls(0), a.Get()) << "sorted at once";
    list.Clear();
    EXPECT_EQ(PidlSize(a.Get()), 5) << "still the caller's";
}

TEST(UPTPidlListTest, FailedFolderComparesFallBackToBytes) {
    auto folder = TFakeShellFolder::Create();
    // A folder that cannot compare: the bytes decide, so lookups still work.
    folder->OnCompareIDs = [](PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) { return E_FAIL; };
    TPTPidlList failing;
    failing.Folder = TComPtr<IShellFolder>(folder.Get());
    failing.Malloc = TComPtr<IMalloc>(GetShellMalloc());
    failing.SetSorted(true);
    for (const char* name : {"z", "y", "x"})
        failing.Add(MakePidl({name}));
    TPTPidl y = Pidl({"y"}), w = Pidl({"w"});
    EXPECT_EQ(failing.IndexOf(y.Get()), 1);
    EXPECT_EQ(failing.IndexOf(w.Get()), -1);
}

TEST(UPTPidlListTest, SortPidlsByAFolder) {
    auto folder = TFakeShellFolder::Create();
    folder->OnCompareIDs = ByteOrder;
    std::vector<TPTPidl> owned;
    std::vector<PItemIDList> list;
    for (const char* name : {"d", "a", "c", "b"}) {
        owned.push_back(Pidl({name}));
        list.push_back(owned.back().Get());
    }
    SortPidls(folder.Get(), list);
    EXPECT_EQ(list[0], owned[1].Get());
    EXPECT_EQ(list[3], owned[0].Get());

    // Failed compares count as equal: the order stays as it was.
    folder->OnCompareIDs = [](PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) { return E_FAIL; };
    std::vector<PItemIDList> before = {owned[0].Get(), owned[1].Get(), owned[2].Get()};
    std::vector<PItemIDList> after = before;
    SortPidls(folder.Get(), after);
    EXPECT_EQ(after, before);

    // A compare that sorts again is refused, and the guard is down afterwards.
    bool refused = false;
    folder->OnCompareIDs = [&](PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) {
        std::vector<PItemIDList> inner = {owned[0].Get()};
        try {
            SortPidls(folder.Get(), inner);
        } catch (const Exception& e) {
            refused = e.Message() == L"Recursive call to SortPidls";
        }
        return ByteOrder(a, b);
    };
    SortPidls(folder.Get(), list);
    EXPECT_TRUE(refused);
    folder->OnCompareIDs = ByteOrder;
    EXPECT_NO_THROW(SortPidls(folder.Get(), list));
}
