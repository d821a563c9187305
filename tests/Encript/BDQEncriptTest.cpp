#include "Encript/BDQEncript.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/TestUtil.h"

TEST(CipherTest, KeyAndBothDirections) {
    EXPECT_EQ(strlen(g_sWordListKey), 136u);
    CBDQEncript c;
    EXPECT_EQ(c.GetKeyLen(), 136u);
    std::string text(300, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = char(i);
    std::string s = text;
    ASSERT_TRUE(c.Encrypt(s));
    EXPECT_NE(s, text);
    EXPECT_EQ(s[136], char(text[136] ^ g_sWordListKey[0]));  // the key repeats
    ASSERT_TRUE(c.Encrypt(&s[0], s.size()));
    EXPECT_EQ(s, text);
    CBDQEncript empty("");
    EXPECT_FALSE(empty.Encrypt(s));
    EXPECT_EQ(s, text);

    kxtest::TempDir dir;
    kxtest::WriteAll(dir.file("src"), text);
    ASSERT_TRUE(c.Encrypt(dir.file("src").c_str(), dir.file("enc").c_str(), 99));
    FILE* fp = fopen(dir.file("enc").c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    fgetc(fp);  // the stream is read from its start whatever its position
    ASSERT_TRUE(c.Encrypt(fp, dir.file("dec").c_str()));
    fclose(fp);
    EXPECT_EQ(kxtest::ReadAll(dir.file("dec")), text);
    EXPECT_FALSE(c.Encrypt(dir.file("missing").c_str(), dir.file("x").c_str(), 0));
}
