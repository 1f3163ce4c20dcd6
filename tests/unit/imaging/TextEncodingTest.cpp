#include "core/common/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

// "日本語のコメント" in Shift_JIS.
const QByteArray kCp932Comment("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x52\x83\x81\x83\x93\x83\x67");

} // namespace

TEST(TextEncoding, Utf8IsTakenAsItIs) {
    EXPECT_EQ(DecodeText(QStringLiteral("日本語のコメント").toUtf8()), QStringLiteral("日本語のコメント"));
    EXPECT_EQ(DecodeText("plain ASCII"), QStringLiteral("plain ASCII"));
    EXPECT_EQ(DecodeText({}), QString());
}

TEST(TextEncoding, OtherBytesAreReadAsCp932) {
    EXPECT_EQ(DecodeText(kCp932Comment), QStringLiteral("日本語のコメント"));
    // Half-width katakana and the Windows-only characters of CP932 (NEC row 13, IBM extensions).
    EXPECT_EQ(DecodeText(QByteArray("\xb1\xb2\xb3 \x87\x40 \xfb\xfc")), QStringLiteral("ｱｲｳ ① 髙"));
    // Bytes that are neither still give readable text around them.
    const QString broken = DecodeText(QByteArray("ab\x81\x7f"
                                                 "cd\x82"));
    EXPECT_TRUE(broken.startsWith(QStringLiteral("ab")));
    EXPECT_TRUE(broken.contains(QStringLiteral("cd")));
    EXPECT_TRUE(broken.contains(QChar(0xFFFD)));
}

TEST(TextEncoding, Cp932RoundTrip) {
    EXPECT_EQ(EncodeCp932(QStringLiteral("日本語のコメント")), kCp932Comment);
    EXPECT_EQ(DecodeText(EncodeCp932(QStringLiteral("ｱｲｳ①髙"))), QStringLiteral("ｱｲｳ①髙"));
    // Characters without a CP932 code are dropped, the rest kept.
    EXPECT_EQ(EncodeCp932(QStringLiteral("a😀b")), QByteArray("ab"));
}
