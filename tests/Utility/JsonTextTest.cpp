#include "Utility/JsonText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CodeTrans/STLCodeTrans.h"

namespace {

Json::Value Parse(const std::string& utf8) {
    Json::CharReaderBuilder b;
    std::unique_ptr<Json::CharReader> r(b.newCharReader());
    Json::Value v;
    std::string err;
    EXPECT_TRUE(r->parse(utf8.data(), utf8.data() + utf8.size(), &v, &err)) << err << "\n" << utf8;
    return v;
}

}  // namespace

TEST(JsonTextTest, DefaultLayout) {
    Json::Value v;
    v["word"] = "a";
    v["pos"] = "n";
    v["weight"] = 0.1;
    v["freq"] = 3;
    v["none"] = Json::Value();
    v["list"] = Json::Value(Json::arrayValue);
    v["ctl"] = "\x01";
    EXPECT_EQ(WriteJson2Str(v),
              "{\n\t\"ctl\" : \"\\u0001\",\n\t\"freq\" : 3,\n\t\"list\" : [],\n\t\"none\" : null,\n"
              "\t\"pos\" : \"n\",\n\t\"weight\" : 0.10000000000000001,\n\t\"word\" : \"a\"\n}");
    EXPECT_EQ(WriteJson2Str(Json::Value()), "null");
}

TEST(JsonTextTest, GbkAndUtf8BytesPassRaw) {
    Json::Value v(Json::arrayValue);
    v.append("\xB9\xFA\xBC\xD2");  // 国家 in GBK
    v.append("\xE5\x9B\xBD");      // 国 in UTF-8
    EXPECT_EQ(WriteJson2Str(v), "[\n\t\"\xB9\xFA\xBC\xD2\",\n\t\"\xE5\x9B\xBD\"\n]");
}

// GBK trail bytes equal to '\\' (誠 D5 5C, 淺 9C 5C) lose jsoncpp's extra backslash in the GBK
// form, and the text read as GBK parses back to the original strings; real backslashes and
// quotes keep their escapes.
TEST(JsonTextTest, GbkTrailBackslash) {
    const std::string words[] = {"\xD5\x5C", "a\\b\"c", "\x9C\x5C\\", "\xD5\x5C\xD5\x5C" "x", "\\\\"};
    Json::Value v(Json::arrayValue);
    for (const auto& w : words) v.append(w);
    const std::string gbk = WriteJson2Str(v, true);
    EXPECT_NE(gbk.find("\"\xD5\x5C\""), std::string::npos) << gbk;

    std::string utf8;
    ANSIToUTF8(gbk.c_str(), utf8);
    const Json::Value back = Parse(utf8);
    ASSERT_EQ(back.size(), 5u);
    for (unsigned i = 0; i < 5; ++i) {
        std::string expect;
        ANSIToUTF8(words[i].c_str(), expect);
        EXPECT_EQ(back[i].asString(), expect) << i;
    }
    // Without the GBK form the escaped trail breaks the same reading.
    std::string plain;
    ANSIToUTF8(WriteJson2Str(v).c_str(), plain);
    Json::CharReaderBuilder b;
    std::unique_ptr<Json::CharReader> r(b.newCharReader());
    Json::Value ignored;
    std::string err;
    const bool ok = r->parse(plain.data(), plain.data() + plain.size(), &ignored, &err);
    EXPECT_TRUE(!ok || ignored[0].asString() != "\xE8\xAA\xA0");
}
