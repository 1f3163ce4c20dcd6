#include "core/settings/IniFile.h"

#include "core/common/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

TEST(IniFile, ReadsKeysOfTheirSectionOnly) {
    const std::optional<IniFile> ini = IniFile::Parse("[A]\nk = 1 \n[B]\r\nk=2\r\nlast=x");
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini->Value("A", "k"), "1");
    EXPECT_EQ(ini->Value("b", "K"), "2");
    EXPECT_EQ(ini->Value("B", "last"), "x");
    EXPECT_FALSE(ini->Value("A", "last"));
    EXPECT_FALSE(ini->Value("C", "k"));
}

TEST(IniFile, KeysBeforeAnySectionBelongToNone) {
    std::optional<IniFile> ini = IniFile::Parse("k=0\n[A]\nj=1\n");
    ASSERT_TRUE(ini);
    EXPECT_FALSE(ini->Value("", "k"));
    ini->SetValue("A", "k", "2");
    EXPECT_EQ(ini->ToBytes(), "k=0\r\n[A]\r\nj=1\r\nk=2\r\n");
}

TEST(IniFile, SetValueReplacesInPlaceOrAppendsToItsSection) {
    std::optional<IniFile> ini =
        IniFile::Parse("; head\r\n[A]\r\nx=1\r\n; about y\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    ASSERT_TRUE(ini);
    ini->SetValue("A", "x", "10");
    ini->SetValue("A", "new", "n");
    ini->SetValue("B", "z", "line\nbreak");
    ini->SetValue("C", "c", "c");
    ini->SetValue("A", "more", "m");
    EXPECT_EQ(ini->ToBytes(),
              "; head\r\n[A]\r\nx=10\r\n; about y\r\ny=2\r\nnew=n\r\nmore=m\r\n\r\n[B]\r\nz=line "
              "break\r\n\r\n[C]\r\nc=c\r\n");
    EXPECT_EQ(ini->Value("C", "c"), "c");
    EXPECT_EQ(ini->Value("B", "z"), "line break");
}

TEST(IniFile, SectionWithoutKeysTakesNewKeysRightAfterItsHeader) {
    std::optional<IniFile> ini = IniFile::Parse("[A]\n\n[B]\nb=1\n");
    ASSERT_TRUE(ini);
    ini->SetValue("A", "a", "1");
    ini->SetValue("B", "c", "2");
    EXPECT_EQ(ini->ToBytes(), "[A]\r\na=1\r\n\r\n[B]\r\nb=1\r\nc=2\r\n");
}

TEST(IniFile, EmptyDocumentGetsSections) {
    IniFile ini;
    ini.SetValue("A", "a", "猫");
    ini.SetValue("B", "b", "");
    EXPECT_EQ(ini.ToBytes(), QString("[A]\r\na=猫\r\n\r\n[B]\r\nb=\r\n").toUtf8());
}

TEST(IniFile, Utf8ByteOrderMarksAreSkipped) {
    for (const char* bytes : {"\xEF\xBB\xBF[A]\na=1\n", "\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF[A]\na=1\n"}) {
        const std::optional<IniFile> ini = IniFile::Parse(bytes);
        ASSERT_TRUE(ini);
        EXPECT_EQ(ini->Value("A", "a"), "1");
        // Written back without a mark, the file reads the same at every later save.
        EXPECT_EQ(ini->ToBytes(), QByteArray("[A]\r\na=1\r\n"));
    }
    // A mark further in is no part of a name, and the key written back starts without it.
    const std::optional<IniFile> inside = IniFile::Parse("\t\xEF\xBB\xBF=x\n[A]\n\xEF\xBB\xBF"
                                                         "a=1\n");
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->Value("A", "a"), "1");
    EXPECT_EQ(inside->ToBytes(), QByteArray("\t\xEF\xBB\xBF=x\r\n[A]\r\na=1\r\n"));
}

TEST(IniFile, Cp932TextIsDecoded) {
    const std::optional<IniFile> ini = IniFile::Parse(EncodeCp932("[設定]\r\n名前=猫\r\n"));
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini->Value("設定", "名前"), "猫");
}

TEST(IniFile, BytesThatAreNoTextAreRefused) {
    const QByteArray cases[] = {QByteArray("[A]\na=\0\n", 7), "[A]\na=\x80\xFF\n"};
    for (const QByteArray& bytes : cases) {
        QString why;
        EXPECT_FALSE(IniFile::Parse(bytes, &why)) << bytes.toStdString();
        EXPECT_FALSE(why.isEmpty());
    }
}

TEST(IniFile, MalformedLinesHoldNoKeyAndAreWrittenBackAsTheyWere) {
    std::optional<IniFile> ini = IniFile::Parse("[A]\nplain words\na=1\n[B\n=value\nb=2\n");
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini->Value("A", "a"), "1");
    // "[B" opens no section: the key after it still belongs to A.
    EXPECT_EQ(ini->Value("A", "b"), "2");
    EXPECT_FALSE(ini->Value("B", "b"));
    EXPECT_FALSE(ini->Value("A", ""));
    ini->SetValue("A", "c", "3");
    EXPECT_EQ(ini->ToBytes(), "[A]\r\nplain words\r\na=1\r\n[B\r\n=value\r\nb=2\r\nc=3\r\n");
}

} // namespace
