#include "UPTUnicode.h"
#include "UPTWideStrings.h"

#include "TntClasses.h"

#include <gtest/gtest.h>

namespace {

// The system's UTF-7 decoder (code page 65000) as an independent check of the encoder.
std::wstring SystemUtf7Decode(const std::string& s) {
    const int n = MultiByteToWideChar(CP_UTF7, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF7, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

} // namespace

TEST(UPTUnicodeTest, CarrierRoundTripsAndStandardUtf7) {
    const std::wstring samples[] = {
        L"",
        L"plain ASCII",
        L"a+b=c +- -+",
        L"\u041F\u0440\u0438\u0432\u0435\u0442",          // a Cyrillic word
        L"\u00E9/path",                                    // '/' right after a run
        L"\u00E9-x \u00E9+y \u00E9" L"7 \u00E9Z \u00E9.",  // run closers and a plain follower
        L"\u00E9",                                         // 2 bytes: partial group of three characters
        L"\u00E9\u00E8",                                   // 4 bytes: a full group and one byte
        L"\u00E9\u00E8\u00EA",                             // 6 bytes: two full groups
        L"x\U0001F600y",                                   // a surrogate pair
        L"\uFFFD\u4E2D\u6587 mixed \u05E2\u05D1",
    };
    for (const std::wstring& s : samples) {
        const std::string carrier = UTF7CarrierEncode(s);
        EXPECT_TRUE(IsUTF7Carrier(carrier));
        EXPECT_EQ(UTF7CarrierDecode(carrier), s);
        // The wide form of the carrier (as a hint string holds it) decodes the same.
        EXPECT_EQ(UTF7CarrierDecode(std::wstring(carrier.begin(), carrier.end())), s);
        // Without the mark the text is valid UTF-7 for any other decoder too.
        EXPECT_EQ(SystemUtf7Decode(UTF7Encode(s)), s);
        for (unsigned char c : carrier)
            EXPECT_LT(c, 128) << "carriers are ASCII";
    }
    EXPECT_EQ(UTF7Encode(L"+"), "+-");
    EXPECT_EQ(UTF7CarrierEncode(L"\u00E9/"), "+/v8-+AOk-/");
}

TEST(UPTUnicodeTest, DecoderNeverRaisesOnBrokenText) {
    // A run cut short, stray bits, characters that end a run, high bytes, lone '+'.
    EXPECT_EQ(UTF7CarrierDecode(std::string("+/v8-+AO")), L"");
    EXPECT_EQ(UTF7CarrierDecode(std::string("+AOk")), L"\u00E9");
    EXPECT_EQ(UTF7CarrierDecode(std::string("+AOk.x")), L"\u00E9.x");
    EXPECT_EQ(UTF7CarrierDecode(std::string("a+")), L"a");
    EXPECT_EQ(UTF7CarrierDecode(std::string("+-+-")), L"++");
    EXPECT_EQ(UTF7CarrierDecode(std::string("\xE9+A\xFFz")), L"\u00E9\u00FFz");
    std::string longRun = "+";
    longRun.append(10000, 'A');
    EXPECT_EQ(UTF7CarrierDecode(longRun), std::wstring(3750, L'\0'));
    // Only the exact mark, five characters or more, makes a carrier.
    EXPECT_FALSE(IsUTF7Carrier(std::string("+/v8")));
    EXPECT_FALSE(IsUTF7Carrier(std::wstring(L"+/v9-x")));
    EXPECT_TRUE(IsUTF7Carrier(std::wstring(L"+/v8-")));
    EXPECT_EQ(PTDecodeIfCarrier(L"plain"), L"plain");
}

TEST(UPTUnicodeTest, SmallHelpers) {
    // Error texts lose trailing blanks, line ends and full stops, nothing else.
    EXPECT_EQ(PTTrimSysErrorText(L"The system cannot find the file specified. \r\n"),
              L"The system cannot find the file specified");
    EXPECT_EQ(PTTrimSysErrorText(L"Done...\t"), L"Done");
    EXPECT_EQ(PTTrimSysErrorText(L"..."), L"");
    EXPECT_EQ(PTTrimSysErrorText(L"v1.2 x"), L"v1.2 x");
    const std::wstring text = PTSysErrorMessage(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), L'.');

    wchar_t buffer[6] = {L'#', L'#', L'#', L'#', L'#', L'#'};
    PTCopyToBuffer(buffer, 0, L"abc");
    EXPECT_EQ(buffer[0], L'#');
    PTCopyToBuffer(buffer, 4, L"abcdef");
    EXPECT_EQ(std::wstring(buffer), L"abc");
    PTCopyToBuffer(buffer, 6, std::wstring_view(L"a\0bc", 4));
    EXPECT_EQ(std::wstring(buffer), L"a");

}

TEST(UPTWideStringsTest, GrowsInBoundedStepsAndAssigns) {
    TPTStringListW list;
    EXPECT_EQ(list.GetCapacity(), 16);
    std::vector<int> capacities{list.GetCapacity()};
    for (int i = 0; i < 300; ++i) {
        list.Add(L"line " + std::to_wstring(i));
        if (capacities.back() != list.GetCapacity())
            capacities.push_back(list.GetCapacity());
        if (i == 16) {
            EXPECT_EQ(list.GetCapacity(), 32) << "17 lines";
        }
    }
    EXPECT_EQ(capacities, (std::vector<int>{16, 32, 64, 128, 256, 512}));
    for (int i = 300; i < 513; ++i)
        list.Add(L"");
    EXPECT_EQ(list.GetCapacity(), 768) << "steps stop growing at 256";
    EXPECT_EQ(list.Get(299), L"line 299");
    EXPECT_THROW(list.Get(513), EListError);

    // Emptied to no room at all, it still grows.
    list.SetCapacity(0);
    EXPECT_EQ(list.Add(L"again"), 0);
    EXPECT_EQ(list.GetCapacity(), 16);

    TObject marker;
    TTntStringList tnt;
    tnt.AddObject(L"\u0416one", &marker);
    tnt.Add(L"two");
    list.Assign(&tnt);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetObject(0), &marker);
    TTntStringList back;
    back.Add(L"old");
    back.Assign(&list);
    EXPECT_EQ(back.Text(), L"\u0416one\r\ntwo\r\n");
    EXPECT_EQ(back.Objects(0), &marker);
}
