#include "Utility/GBKChar.h"

#include <string.h>

#include <string>

#include "Utility/ByteIO.h"

namespace {

// ---- character sets (GBK bytes) ----------------------------------------------------------------

// sign (4): A1C0 B5DA A1AA A3AB
const char kSignSet[] =
    "\xA1\xC0\xB5\xDA\xA1\xAA\xA3\xAB";  // ±第—＋

// point (4): A1C3 A1A4 A3AE A3AF
const char kPointSet[] =
    "\xA1\xC3\xA1\xA4\xA3\xAE\xA3\xAF";  // ∶·．／

// percent (2): A3A5 A1EB
const char kPercentSet[] =
    "\xA3\xA5\xA1\xEB";  // ％‰

// unit (7): B0D9 C7A7 CDF2 D2DA B0DB C7AA D5D7
const char kUnitSet[] =
    "\xB0\xD9\xC7\xA7\xCD\xF2\xD2\xDA\xB0\xDB\xC7\xAA\xD5\xD7";  // 百千万亿佰仟兆

// year numerals; the first is the right single quote A1AF (23): A1AF C1E3 A1F0 A996 A3B0 D2BB B6FE C8FD CBC4 CEE5 C1F9 C6DF B0CB BEC5 D2BC B7A1 C8FE CBC1 CEE9 C2BD C6E2 B0C6 BEC1
const char kYearNumSet[] =
    "\xA1\xAF\xC1\xE3\xA1\xF0\xA9\x96\xA3\xB0\xD2\xBB\xB6\xFE\xC8\xFD"  // ’零○〇０一二三
    "\xCB\xC4\xCE\xE5\xC1\xF9\xC6\xDF\xB0\xCB\xBE\xC5\xD2\xBC\xB7\xA1"  // 四五六七八九壹贰
    "\xC8\xFE\xCB\xC1\xCE\xE9\xC2\xBD\xC6\xE2\xB0\xC6\xBE\xC1";  // 叁肆伍陆柒捌玖

// year high digits (5): A3B5 A3B6 A3B7 A3B8 A3B9
const char kYearHighSet[] =
    "\xA3\xB5\xA3\xB6\xA3\xB7\xA3\xB8\xA3\xB9";  // ５６７８９

// thousand and zero (5): C7A7 C7AA C1E3 A996 A1F0
const char kThousandZeroSet[] =
    "\xC7\xA7\xC7\xAA\xC1\xE3\xA9\x96\xA1\xF0";  // 千仟零〇○

// thousand (2): C7A7 C7AA
const char kThousandSet[] =
    "\xC7\xA7\xC7\xAA";  // 千仟

// day numerals (30): C1E3 D2BB B6FE C8FD CBC4 CEE5 C1F9 C6DF B0CB BEC5 CAAE D2BC B7A1 C8FE CBC1 CEE9 C2BD C6E2 B0C6 BEC1 A3B0 A3B1 A3B2 A3B3 A3B4 A3B5 A3B6 A3B7 A3B8 A3B9
const char kDayNumSet[] =
    "\xC1\xE3\xD2\xBB\xB6\xFE\xC8\xFD\xCB\xC4\xCE\xE5\xC1\xF9\xC6\xDF"  // 零一二三四五六七
    "\xB0\xCB\xBE\xC5\xCA\xAE\xD2\xBC\xB7\xA1\xC8\xFE\xCB\xC1\xCE\xE9"  // 八九十壹贰叁肆伍
    "\xC2\xBD\xC6\xE2\xB0\xC6\xBE\xC1\xA3\xB0\xA3\xB1\xA3\xB2\xA3\xB3"  // 陆柒捌玖０１２３
    "\xA3\xB4\xA3\xB5\xA3\xB6\xA3\xB7\xA3\xB8\xA3\xB9";  // ４５６７８９

// Chinese numerals and points (39): C1E3 A1F0 D2BB B6FE C1BD C8FD CBC4 CEE5 C1F9 C6DF B0CB BEC5 CAAE D8A5 B0D9 C7A7 CDF2 D2DA D2BC B7A1 C8FE CBC1 CEE9 C2BD C6E2 B0C6 BEC1 CAB0 B0DB C7AA D5D7 A1C3 A1A4 A3AE A3AF B5E3 BCB8 C9CF B3C9
const char kChineseNumSet[] =
    "\xC1\xE3\xA1\xF0\xD2\xBB\xB6\xFE\xC1\xBD\xC8\xFD\xCB\xC4\xCE\xE5"  // 零○一二两三四五
    "\xC1\xF9\xC6\xDF\xB0\xCB\xBE\xC5\xCA\xAE\xD8\xA5\xB0\xD9\xC7\xA7"  // 六七八九十廿百千
    "\xCD\xF2\xD2\xDA\xD2\xBC\xB7\xA1\xC8\xFE\xCB\xC1\xCE\xE9\xC2\xBD"  // 万亿壹贰叁肆伍陆
    "\xC6\xE2\xB0\xC6\xBE\xC1\xCA\xB0\xB0\xDB\xC7\xAA\xD5\xD7\xA1\xC3"  // 柒捌玖拾佰仟兆∶
    "\xA1\xA4\xA3\xAE\xA3\xAF\xB5\xE3\xBC\xB8\xC9\xCF\xB3\xC9";  // ·．／点几上成

// full-width delimiters, in the order of kAsciiDelims (16): A1A3 A3AC A3BB A3BA A3BF A3A1 A3A5 A3A8 A3A9 A3FB A3AB A3FD A3DB A3DD A3AF A3BD
const char kFullDelimSet[] =
    "\xA1\xA3\xA3\xAC\xA3\xBB\xA3\xBA\xA3\xBF\xA3\xA1\xA3\xA5\xA3\xA8"  // 。，；：？！％（
    "\xA3\xA9\xA3\xFB\xA3\xAB\xA3\xFD\xA3\xDB\xA3\xDD\xA3\xAF\xA3\xBD";  // ）｛＋｝［］／＝

// "分之", passed over as one unit by IsAllChineseNum.
const char kFenZhi[] = "\xB7\xD6\xD6\xAE";  // 分之
const char kShu[] = "\xCA\xFD";              // 数
const char kDi[] = "\xB5\xDA";               // 第

// ASCII delimiters and their full-width forms in kFullDelimSet, index for index.
const char kAsciiDelims[] = ".,;:?!%(){+}[]/=";

// Full-width punctuation and its ASCII replacement.
struct QJEntry {
    const char* sGBK;
    char cAscii;
};
const QJEntry kQuanJiaoTable[] = {
    {"\xA1\xA2", ','},  // 0 、
    {"\xA1\xA3", '.'},  // 1 。
    {"\xA1\xAA", '-'},  // 2 —
    {"\xA1\xAB", '~'},  // 3 ～
    {"\xA1\xAE", '\''},  // 4 ‘
    {"\xA1\xAF", '\''},  // 5 ’
    {"\xA1\xB0", '"'},  // 6 “
    {"\xA1\xB1", '"'},  // 7 ”
    {"\xA1\xB2", '('},  // 8 〔
    {"\xA1\xB3", ')'},  // 9 〕
    {"\xA1\xB4", '<'},  // 10 〈
    {"\xA1\xB5", '>'},  // 11 〉
    {"\xA1\xBC", '['},  // 12 〖
    {"\xA1\xBD", ']'},  // 13 〗
    {"\xA3\xA8", '('},  // 14 （
    {"\xA3\xA9", ')'},  // 15 ）
    {"\xA3\xAA", '*'},  // 16 ＊
    {"\xA3\xAB", '+'},  // 17 ＋
    {"\xA3\xAC", ','},  // 18 ，
    {"\xA3\xAD", '-'},  // 19 －
    {"\xA3\xAE", '.'},  // 20 ．
    {"\xA3\xAF", '/'},  // 21 ／
    {"\xA3\xBA", ':'},  // 22 ：
    {"\xA3\xBB", ';'},  // 23 ；
    {"\xA3\xBC", '<'},  // 24 ＜
    {"\xA3\xBD", '='},  // 25 ＝
    {"\xA3\xBE", '>'},  // 26 ＞
    {"\xA3\xBF", '?'},  // 27 ？
    {"\xA3\xDB", '['},  // 28 ［
    {"\xA3\xDD", ']'},  // 29 ］
    {"\xA3\xDF", '_'},  // 30 ＿
    {"\xA3\xE0", '\''},  // 31 ｀
    {"\xA3\xFB", '{'},  // 32 ｛
    {"\xA3\xFC", '|'},  // 33 ｜
    {"\xA3\xFD", '}'},  // 34 ｝
    {"\xA8\x42", '.'},  // 35 ˙
    {"\xA8\x43", '-'},  // 36 –
    {"\xA8\x44", '-'},  // 37 ―
    {"\xA9\x6F", ','},  // 38 ﹐
    {"\xA9\x70", ','},  // 39 ﹑
    {"\xA9\x71", '.'},  // 40 ﹒
    {"\xA9\x72", ';'},  // 41 ﹔
    {"\xA9\x73", ':'},  // 42 ﹕
    {"\xA9\x74", '?'},  // 43 ﹖
    {"\xA9\x75", '!'},  // 44 ﹗
    {"\xA9\x76", '('},  // 45 ﹙
    {"\xA9\x77", ')'},  // 46 ﹚
    {"\xA9\x78", '{'},  // 47 ﹛
    {"\xA9\x79", '}'},  // 48 ﹜
    {"\xA9\x7A", '('},  // 49 ﹝
    {"\xA9\x7B", ')'},  // 50 ﹞
    {"\xA9\x7C", '#'},  // 51 ﹟
    {"\xA9\x7D", '&'},  // 52 ﹠
    {"\xA9\x7E", '*'},  // 53 ﹡
    {"\xA9\x80", '+'},  // 54 ﹢
    {"\xA9\x81", '-'},  // 55 ﹣
    {"\xA9\x82", '<'},  // 56 ﹤
    {"\xA9\x83", '>'},  // 57 ﹥
    {"\xA9\x84", '='},  // 58 ﹦
    {"\xA9\x85", '\\'},  // 59 ﹨
    {"\xA9\x86", '$'},  // 60 ﹩
    {"\xA9\x87", '%'},  // 61 ﹪
    {"\xA9\x88", '@'},  // 62 ﹫

};

// Foreign-name character sets.
const char kForeignSet0[] =
    "\xA1\xA4\xA1\xAA\xB0\xA2\xB0\xA3\xB0\xAC\xB0\xAE\xB0\xB2\xB0\xBA\xB0\xC2\xB0\xC4\xB0\xCD\xB0\xCE"  // ·—阿埃艾爱安昂奥澳巴拔
    "\xB0\xC5\xB0\xD7\xB0\xD9\xB0\xD8\xB0\xDD\xB0\xE0\xB0\xEE\xB1\xA3\xB1\xA4\xB1\xAB\xB1\xB4\xB1\xB6"  // 芭白百柏拜班邦保堡鲍贝倍
    "\xB1\xBE\xB1\xC8\xB1\xCB\xB1\xCF\xB1\xD3\xB1\xF0\xB1\xF6\xB1\xF5\xB2\xA8\xB2\xAE\xB2\xB4\xB2\xA9"  // 本比彼毕庇别宾滨波伯泊博
    "\xB2\xAA\xB2\xBC\xB2\xBD\xB2\xE9\xB2\xEC\xB2\xF1\xB2\xFD\xB3\xA3\xB3\xB9\xB3\xC2\xB3\xC9\xB3\xFE"  // 勃布步查察柴昌常彻陈成楚
    "\xB4\xC4\xB4\xC8\xB4\xCE\xB4\xCF\xB4\xEF\xB4\xF0\xB4\xF3\xB4\xFA\xB4\xF7\xB5\xA4\xB5\xC0\xB5\xC2"  // 茨慈次聪达答大代戴丹道德
    "\xB5\xC3\xB5\xC7\xB5\xCB\xB5\xCF\xB5\xD2\xB5\xD1\xB5\xD7\xB5\xD9\xB5\xDA\xB5\xE4\xB6\xA1\xB6\xAB"  // 得登邓迪狄笛底蒂第典丁东
    "\xB6\xC5\xB6\xC8\xB6\xD8\xB6\xD9\xB6\xE0\xB6\xE4\xB6\xF2\xB6\xF7\xB6\xFB\xB6\xFA\xB7\xA8\xB7\xB2"  // 杜度敦顿多朵厄恩尔耳法凡
    "\xB7\xB6\xB7\xBD\xB7\xC6\xEC\xB3\xB7\xD1\xB7\xD2\xB7\xE1\xB7\xE2\xB7\xEB\xB7\xF0\xB7\xF2\xB8\xA5"  // 范方菲斐费芬丰封冯佛夫弗
    "\xB7\xFC\xB8\xA3\xB8\xBB\xB8\xC7\xB8\xCA\xB8\xD4\xB8\xDF\xB8\xEA\xB8\xE7\xB8\xE8\xB8\xF1\xB8\xF0"  // 伏福富盖甘冈高戈哥歌格葛
    "\xB8\xF9\xB9\xB1\xB9\xC5\xB9\xC8\xB9\xCF\xB9\xE7\xB9\xF3\xB9\xFE\xBA\xA3\xBA\xA5\xBA\xBA\xBA\xB1"  // 根贡古谷瓜圭贵哈海亥汉罕
    "\xBA\xC0\xBA\xC3\xBA\xCF\xBA\xCE\xBA\xCD\xBA\xD5\xBA\xDA\xBA\xE0\xBA\xE9\xBA\xFA\xBB\xAA\xBB\xB3"  // 豪好合何和赫黑亨洪胡华怀
    "\xBB\xDD\xBB\xF4\xBB\xF9\xBC\xAA\xBC\xA7\xBC\xD3\xE5\xC8\xBC\xD1\xBC\xCE\xBC\xD6\xBC\xF2\xBD\xDC"  // 惠霍基吉姬加迦佳嘉贾简杰
    "\xBD\xDD\xBD\xF0\xBD\xF2\xBE\xA9\xBE\xC3\xBE\xD3\xBF\xA8\xBF\xAD\xBF\xB2\xBF\xB5\xBF\xBC\xBF\xC2"  // 捷金津京久居卡凯坎康考柯
    "\xBF\xC6\xBF\xC9\xBF\xCB\xBF\xCF\xBF\xD7\xBF\xE2\xBF\xE4\xBF\xFC\xC0\xA5\xC0\xAB\xC0\xAD\xC0\xB0"  // 科可克肯孔库夸奎昆阔拉腊
    "\xC0\xB3\xC0\xB5\xC0\xBC\xC0\xCA\xC0\xCD\xC0\xD5\xC0\xD7\xC0\xD9\xC0\xE8\xC0\xEE\xC0\xEF\xC0\xED"  // 莱赖兰朗劳勒雷蕾黎李里理
    "\xC1\xA6\xC1\xA2\xC0\xF6\xC0\xFB\xC0\xF2\xC1\xAC\xC1\xAE\xC1\xBC\xC1\xD0\xC1\xD6\xC1\xD5\xC1\xE9"  // 力立丽利莉连廉良列林琳灵
    "\xC1\xF4\xC1\xF8\xC1\xFA\xC2\xA1\xC2\xAC\xC2\xB3\xC2\xBD\xC2\xB7\xC2\xD7\xC2\xDE\xC2\xE5\xC2\xC9"  // 留柳龙隆卢鲁陆路伦罗洛律
    "\xC2\xC0\xC2\xD4\xC2\xED\xC2\xEA\xC2\xF5\xC2\xF3\xC2\xFC\xC3\xA2\xC3\xAB\xC3\xAF\xC3\xB7\xC3\xC0"  // 吕略马玛迈麦曼芒毛茂梅美
    "\xC3\xC5\xC3\xC9\xC3\xCF\xC3\xD7\xC3\xDC\xC3\xF7\xE7\xD1\xC4\xA6\xC4\xAA\xC4\xAB\xC4\xAC\xC4\xB7"  // 门蒙孟米密明缪摩莫墨默姆
    "\xC4\xBE\xC4\xC2\xC4\xC3\xC4\xC9\xC4\xC8\xC4\xCB\xC4\xCE\xC4\xCF\xE8\xA7\xC4\xDA\xC4\xE1\xC4\xDD"  // 木穆拿纳娜乃奈南瑙内尼妮
    "\xC4\xF9\xC4\xFE\xC5\xA6\xC5\xAC\xC5\xB5\xC5\xB7\xC5\xC1\xC5\xC9\xC5\xCB\xC5\xD3\xC5\xE0\xC5\xE5"  // 涅宁纽努诺欧帕派潘庞培佩
    "\xC5\xED\xC5\xEE\xC6\xA4\xC6\xBD\xE7\xEA\xC6\xC2\xC6\xD5\xC6\xEB\xC6\xE6\xC6\xF5\xC7\xA1\xC7\xAE"  // 彭蓬皮平珀坡普齐奇契恰钱
    "\xC7\xC7\xC7\xD0\xC7\xD5\xC7\xD9\xC7\xE0\xC7\xED\xC7\xF0\xC7\xEF\xC7\xFC\xC8\xC3\xC8\xC8\xC8\xCA"  // 乔切钦琴青琼丘秋屈让热仁
    "\xC8\xD5\xC8\xD9\xC8\xE3\xC8\xE5\xC8\xF0\xC8\xF4\xC8\xF6\xC8\xF8\xC8\xFB\xC8\xFC\xC9\xA3\xC9\xAA"  // 日荣茹儒瑞若撒萨塞赛桑瑟
    "\xC9\xAD\xC9\xB3\xC9\xAF\xC9\xBD\xC9\xBA\xC9\xD0\xC9\xDC\xC9\xE1\xC9\xEA\xCA\xA5\xCA\xA9\xCA\xB2"  // 森沙莎山珊尚绍舍申圣施什
    "\xCA\xB7\xCA\xBF\xCB\xB9\xCB\xBC\xCB\xC9\xCB\xD5\xCB\xF7\xCB\xFE\xCC\xA9\xCC\xB9\xCC\xC0\xCC\xC6"  // 史士斯思松苏索塔泰坦汤唐
    "\xCC\xD5\xCC\xD8\xCC\xE1\xCC\xEC\xCD\xA2\xCD\xA8\xCD\xBC\xCD\xD0\xCD\xDF\xCD\xF2\xCD\xFA\xCD\xFE"  // 陶特提天廷通图托瓦万旺威
    "\xCE\xA4\xCE\xAC\xCE\xC2\xCE\xC4\xCE\xCC\xCE\xD6\xCE\xDA\xCE\xE9\xCE\xE4\xCE\xF7\xCF\xA3\xCE\xFD"  // 韦维温文翁沃乌伍武西希锡
    "\xCF\xAF\xCF\xC4\xCF\xC9\xCF\xE3\xD0\xA4\xD0\xBB\xD0\xC1\xD0\xC0\xD0\xDD\xD0\xDE\xD0\xED\xD1\xA6"  // 席夏仙香肖谢辛欣休修许薛
    "\xD1\xC5\xD1\xC7\xD1\xEF\xD1\xEE\xD2\xAE\xD2\xB6\xD2\xC1\xD2\xC0\xD2\xD7\xD2\xF2\xD3\xA2\xD3\xC8"  // 雅亚扬杨耶叶伊依易因英尤
    "\xD3\xDA\xD4\xBC\xD4\xF3\xD4\xFA\xD5\xB2\xD5\xC2\xD5\xDC\xD5\xE4\xD6\xEC\xD7\xE6\xD7\xF4\xD7\xBF"  // 于约泽扎詹章哲珍朱祖佐卓
    "\xD7\xC8\xE6\xAB\xB6\xBC\xD1\xB7\xDA\xD3\xCB\xF3\xF0\xAF\xCA\xE5\xB2\xC9\xCD\xD3";  // 兹娅都逊谟梭鸠叔采陀

const char kForeignSet1[] =
    "\xB0\xB2\xB0\xC2\xB0\xCB\xB0\xD7\xB0\xD9\xB0\xEE\xB2\xFD\xB3\xA3\xB3\xB9\xB3\xC2\xB3\xC9\xB3\xFE"  // 安奥八白百邦昌常彻陈成楚
    "\xB4\xC4\xB4\xC8\xB4\xCE\xB4\xCF\xB4\xEF\xB4\xF0\xB4\xF3\xB4\xFA\xB4\xF7\xB5\xA4\xB5\xC0\xB5\xC2"  // 茨慈次聪达答大代戴丹道德
    "\xB5\xC3\xB5\xC7\xB5\xCB\xB5\xCF\xB5\xD2\xB5\xD1\xB5\xD7\xB5\xD9\xB5\xDA\xB5\xE4\xB6\xA1\xB6\xAB"  // 得登邓迪狄笛底蒂第典丁东
    "\xB6\xC5\xB6\xC8\xB6\xD8\xB6\xD9\xB6\xE0\xB6\xE4\xB6\xF2\xB6\xF7\xB6\xFB\xB6\xFA\xB7\xA8\xB7\xB2"  // 杜度敦顿多朵厄恩尔耳法凡
    "\xB7\xB6\xB7\xBD\xB7\xC6\xEC\xB3\xB7\xD1\xB7\xD2\xB7\xE1\xB7\xE2\xB7\xEB\xB7\xF0\xB7\xF2\xB8\xA5"  // 范方菲斐费芬丰封冯佛夫弗
    "\xB7\xFC\xB8\xA3\xB8\xBB\xB8\xC7\xB8\xCA\xB8\xD4\xB8\xDF\xB8\xEA\xB8\xE7\xB8\xE8\xB8\xF1\xB8\xF0"  // 伏福富盖甘冈高戈哥歌格葛
    "\xB8\xF9\xB9\xB1\xB9\xC5\xB9\xC8\xB9\xCF\xB9\xE7\xB9\xF3\xB9\xFE\xBA\xA3\xBA\xA5\xBA\xBA\xBA\xB1"  // 根贡古谷瓜圭贵哈海亥汉罕
    "\xBA\xC0\xBA\xC3\xBA\xCF\xBA\xCE\xBA\xCD\xBA\xD5\xBA\xDA\xBA\xE0\xBA\xE9\xBA\xFA\xBB\xAA\xBB\xB3"  // 豪好合何和赫黑亨洪胡华怀
    "\xBB\xDD\xBB\xF4\xBB\xF9\xBC\xAA\xBC\xA7\xBC\xD3\xE5\xC8\xBC\xD1\xBC\xCE\xBC\xD6\xBC\xF2\xBD\xDC"  // 惠霍基吉姬加迦佳嘉贾简杰
    "\xBD\xDD\xBD\xF0\xBD\xF2\xBE\xA9\xBE\xC3\xBE\xD3\xBF\xA8\xBF\xAD\xBF\xB2\xBF\xB5\xBF\xBC\xBF\xC2"  // 捷金津京久居卡凯坎康考柯
    "\xBF\xC6\xBF\xC9\xBF\xCB\xBF\xCF\xBF\xD7\xBF\xE2\xBF\xE4\xBF\xFC\xC0\xA5\xC0\xAB\xC0\xAD\xC0\xB0"  // 科可克肯孔库夸奎昆阔拉腊
    "\xC0\xB3\xC0\xB5\xC0\xBC\xC0\xCA\xC0\xCD\xC0\xD5\xC0\xD7\xC0\xD9\xC0\xE8\xC0\xEE\xC0\xEF\xC0\xED"  // 莱赖兰朗劳勒雷蕾黎李里理
    "\xC1\xA6\xC1\xA2\xC0\xF6\xC0\xFB\xC0\xF2\xC1\xAC\xC1\xAE\xC1\xBC\xC1\xD0\xC1\xD6\xC1\xD5\xC1\xE9"  // 力立丽利莉连廉良列林琳灵
    "\xC1\xF4\xC1\xF8\xC1\xFA\xC2\xA1\xC2\xAC\xC2\xB3\xC2\xBD\xC2\xB7\xC2\xD7\xC2\xDE\xC2\xE5\xC2\xC9"  // 留柳龙隆卢鲁陆路伦罗洛律
    "\xC2\xC0\xC2\xD4\xC2\xED\xC2\xEA\xC2\xF5\xC2\xF3\xC2\xFC\xC3\xA2\xC3\xAB\xC3\xAF\xC3\xB7\xC3\xC0"  // 吕略马玛迈麦曼芒毛茂梅美
    "\xC3\xC5\xC3\xC9\xC3\xCF\xC3\xD7\xC3\xDC\xC3\xF7\xE7\xD1\xC4\xA6\xC4\xAA\xC4\xAB\xC4\xAC\xC4\xB7"  // 门蒙孟米密明缪摩莫墨默姆
    "\xC4\xBE\xC4\xC2\xC4\xC3\xC4\xC9\xC4\xC8\xC4\xCB\xC4\xCE\xC4\xCF\xE8\xA7\xC4\xDA\xC4\xE1\xC4\xDD"  // 木穆拿纳娜乃奈南瑙内尼妮
    "\xC4\xF9\xC4\xFE\xC5\xA6\xC5\xAC\xC5\xB5\xC5\xB7\xC5\xC1\xC5\xC9\xC5\xCB\xC5\xD3\xC5\xE0\xC5\xE5"  // 涅宁纽努诺欧帕派潘庞培佩
    "\xC5\xED\xC5\xEE\xC6\xA4\xC6\xBD\xE7\xEA\xC6\xC2\xC6\xD5\xC6\xEB\xC6\xE6\xC6\xF5\xC7\xA1\xC7\xAE"  // 彭蓬皮平珀坡普齐奇契恰钱
    "\xC7\xC7\xC7\xD0\xC7\xD5\xC7\xD9\xC7\xE0\xC7\xED\xC7\xF0\xC7\xEF\xC7\xFC\xC8\xC3\xC8\xC8\xC8\xCA"  // 乔切钦琴青琼丘秋屈让热仁
    "\xC8\xD5\xC8\xD9\xC8\xE3\xC8\xE5\xC8\xF0\xC8\xF4\xC8\xF6\xC8\xF8\xC8\xFB\xC8\xFC\xC9\xA3\xC9\xAA";  // 日荣茹儒瑞若撒萨塞赛桑瑟

const char kForeignSet2[] =
    "\xA1\xA4\xB0\xA2\xB0\xB2\xB0\xC2\xB0\xCD\xB1\xC8\xB0\xAE\xB0\xCE\xB0\xD9\xB0\xE0\xB1\xA4\xB1\xB6"  // ·阿安奥巴比爱拔百班堡倍
    "\xB1\xCB\xB1\xF0\xB2\xA8\xB2\xA9\xB2\xBD\xB2\xF1\xB3\xB9\xB3\xFE\xB4\xCE\xB4\xF0\xB4\xF7\xB5\xC2"  // 彼别波博步柴彻楚次答戴德
    "\xB5\xCB\xB5\xD1\xB5\xDA\xB6\xAB\xB6\xD8\xB6\xE4\xB6\xFB\xB7\xB2\xB7\xC6\xB7\xD2\xB7\xEB\xB8\xA5"  // 邓笛第东敦朵尔凡菲芬冯弗
    "\xB8\xBB\xB8\xD4\xB8\xE7\xB8\xF0\xB9\xC5\xB9\xE7\xBA\xA3\xBA\xB1\xBA\xCF\xBA\xD5\xBA\xE9\xBB\xB3"  // 富冈哥葛古圭海罕合赫洪怀
    "\xBB\xF9\xBC\xD3\xBC\xCE\xBD\xDC\xBD\xF2\xBE\xD3\xBF\xB2\xBF\xC2\xBF\xCB\xBF\xE2\xC0\xA5\xC0\xB0"  // 基加嘉杰津居坎柯克库昆腊
    "\xC0\xBC\xC0\xD5\xC0\xE8\xC0\xED\xC0\xF6\xC1\xAC\xC1\xD0\xC1\xE9\xC1\xFA\xC2\xB3\xC2\xD7\xC2\xC9"  // 兰勒黎理丽连列灵龙鲁伦律
    "\xC2\xED\xC2\xF3\xC3\xAB\xC3\xC0\xC3\xCF\xC3\xF7\xC4\xAA\xC4\xB7\xC4\xC3\xC4\xCB\xE8\xA7\xC4\xDD"  // 马麦毛美孟明莫姆拿乃瑙妮
    "\xC5\xA6\xC5\xB7\xC5\xCB\xC5\xE5\xC6\xA4\xC6\xC2\xC6\xE6\xC7\xAE\xC7\xD5\xC7\xED\xC7\xFC\xC8\xCA"  // 纽欧潘佩皮坡奇钱钦琼屈仁
    "\xC8\xE3\xC8\xF4\xC8\xFB\xC9\xAA\xC9\xAF\xC9\xD0\xC9\xEA\xCA\xB2\xCB\xB9\xCB\xD5\xCC\xA9\xCC\xC6"  // 茹若塞瑟莎尚申什斯苏泰唐
    "\xCC\xE1\xCD\xA8\xCD\xDF\xCD\xFE\xCE\xC2\xCE\xD6\xCE\xE4\xCE\xFD\xCF\xC9\xD0\xBB\xD0\xDD\xD1\xA6"  // 提通瓦威温沃武锡仙谢休薛
    "\xD1\xEF\xD2\xB6\xD2\xD7\xD3\xC8\xD4\xF3";  // 扬叶易尤泽

// Place suffixes of two or three characters, tried in order.
const char* const kPlaceSuffixes[] = {
    "\xB0\xEB\xB5\xBA", "\xB2\xDD\xD4\xAD", "\xB3\xC7\xCA\xD0", "\xB4\xF3\xB5\xCC", "\xB4\xF3\xB9\xAB\xB9\xFA",  // 半岛 草原 城市 大堤 大公国
    "\xB4\xF3\xC7\xC5", "\xB5\xD8\xC7\xF8", "\xB5\xDB\xB9\xFA", "\xB6\xC9\xB2\xDB", "\xB8\xDB\xBF\xDA",  // 大桥 地区 帝国 渡槽 港口
    "\xB8\xDF\xB5\xD8", "\xB8\xDF\xD4\xAD", "\xB9\xAB\xB9\xFA", "\xB9\xAB\xC2\xB7", "\xB9\xAB\xD4\xB0",  // 高地 高原 公国 公路 公园
    "\xB9\xB2\xBA\xCD\xB9\xFA", "\xB9\xC8\xB5\xD8", "\xB9\xE3\xB3\xA1", "\xBA\xA3\xB0\xB6", "\xBA\xA3\xB1\xF5",  // 共和国 谷地 广场 海岸 海滨
    "\xBA\xA3\xCF\xBF", "\xBA\xA3\xCD\xE5", "\xBA\xBD\xB5\xC0", "\xBA\xD3\xB9\xC8", "\xBA\xFE\xB2\xB4",  // 海峡 海湾 航道 河谷 湖泊
    "\xBB\xA8\xD4\xB0", "\xBB\xFA\xB3\xA1", "\xBD\xD6\xB5\xC0", "\xBF\xA4\xB9\xFA", "\xBF\xAA\xB7\xA2\xC7\xF8",  // 花园 机场 街道 郡国 开发区
    "\xC2\xEB\xCD\xB7", "\xC5\xE8\xB5\xD8", "\xC6\xBD\xD4\xAD", "\xC7\xF0\xC1\xEA", "\xC8\xBA\xB5\xBA",  // 码头 盆地 平原 丘陵 群岛
    "\xC9\xB3\xC4\xAE", "\xC9\xBD\xC2\xF6", "\xC9\xBD\xC7\xF8", "\xCA\xA1\xBB\xE1", "\xCB\xAE\xBF\xE2",  // 沙漠 山脉 山区 省会 水库
    "\xCC\xD8\xC7\xF8", "\xCC\xFA\xC2\xB7", "\xCD\xF5\xB9\xFA", "\xD0\xC2\xC7\xF8", "\xD0\xD0\xD5\xFE\xC7\xF8",  // 特区 铁路 王国 新区 行政区
    "\xD4\xCB\xBA\xD3", "\xD5\xD3\xD4\xF3", "\xD6\xB1\xCF\xBD\xCA\xD0", "\xD7\xD4\xD6\xCE\xC7\xF8", "\xD7\xD4\xD6\xCE\xD6\xDD",  // 运河 沼泽 直辖市 自治区 自治州
};

// One-character place suffixes.
const char kPlaceSuffixChars[] =
    "\xB0\xD3\xB0\xEE\xB1\xA4\xB1\xAD\xB3\xC7\xB3\xD8\xB4\xE5\xB5\xBA\xB5\xC0\xB5\xCC\xB5\xE9\xB5\xEA"  // 坝邦堡杯城池村岛道堤甸店
    "\xB6\xB4\xB6\xC9\xB6\xD5\xB7\xE5\xB8\xAE\xB8\xD4\xB8\xDB\xB8\xF3\xB9\xAC\xB9\xB5\xB9\xC8\xB9\xD8"  // 洞渡墩峰府冈港阁宫沟谷关
    "\xB9\xDD\xBA\xA3\xBA\xD3\xBA\xFE\xBB\xA6\xBB\xE3\xBD\xAD\xBD\xBC\xBD\xD6\xBD\xE7\xBE\xAE\xBE\xB3"  // 馆海河湖沪汇江郊街界井境
    "\xBE\xD3\xBF\xA4\xBF\xDA\xBF\xF3\xC0\xEF\xC1\xEB\xC2\xA5\xC2\xB7\xC2\xB4\xC3\xC5\xC3\xCB\xC3\xED"  // 居郡口矿里岭楼路麓门盟庙
    "\xC4\xB9\xC6\xD6\xC6\xEC\xC7\xC5\xC7\xF8\xC7\xFE\xC8\xAA\xC9\xB3\xC9\xBD\xCA\xD0\xCA\xA1\xCB\xAE"  // 墓浦旗桥区渠泉沙山市省水
    "\xCB\xC2\xCC\xC3\xCC\xC1\xCC\xB2\xCC\xB6\xCB\xFE\xCC\xA8\xCD\xA4\xCD\xCD\xCD\xE5\xCF\xBF\xCF\xD8"  // 寺堂塘滩潭塔台亭屯湾峡县
    "\xCF\xE7\xCF\xEF\xCF\xAA\xCF\xDF\xD3\xAA\xD4\xB7\xD4\xBA\xD4\xB0\xD5\xAF\xD5\xBE\xD5\xF2\xD6\xDD"  // 乡巷溪线营苑院园寨站镇州
    "\xD6\xDE\xD7\xAF\xD1\xDF\xB5\xED\xDB\xEB\xC6\xBA\xC6\xC2\xD1\xC2\xE1\xAE\xB8\xDA\xB6\xD1\xB7\xBB"  // 洲庄堰淀垭坪坡崖岙岗堆坊
    "\xC5\xAA\xEE\xB2\xB2\xBA";  // 弄畈埠

// ---- helpers -------------------------------------------------------------------------------------

inline unsigned char Byte(const char* s, size_t i) { return static_cast<unsigned char>(s[i]); }

inline bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsHanziLead(unsigned char c) { return c >= 0xB0 && c <= 0xF7; }

// Length of the token: strlen for 0, else nLen; `avail` is how much of it may be read (never past
// the NUL).
inline size_t TokenAvail(const char* s, unsigned long nLen) { return s ? strnlen(s, nLen ? nLen : size_t(-1)) : 0; }

// True when a two-byte character starts at s[pos] (its trail lies before `avail`) and set holds it.
bool MemberAt(const char* set, const char* s, size_t pos, size_t avail) {
    if (pos + 1 >= avail || Byte(s, pos) < 0x80) return false;
    char needle[3] = {s[pos], s[pos + 1], 0};
    return CC_Find(set, needle) != NULL;
}

// Length of the GBK character at s[pos], limited to `avail` bytes: 2 for a lead byte with a trail,
// else 1 (0 at the end).
inline size_t CharLenAt(const char* s, size_t pos, size_t avail) {
    if (pos >= avail) return 0;
    return (Byte(s, pos) >= 0x80 && pos + 1 < avail) ? 2 : 1;
}

// Reads a point ('.', '/' or a member of the point set) at pos; returns its length or 0.
size_t PointAt(const char* s, size_t pos, size_t avail) {
    if (pos >= avail) return 0;
    if (s[pos] == '.' || s[pos] == '/') return 1;
    return MemberAt(kPointSet, s, pos, avail) ? 2 : 0;
}

bool GenerateCodes(const char* path, unsigned int nFirstLead) {
    if (!path) return false;
    std::string text;
    char sLine[32];
    for (unsigned int lead = nFirstLead; lead <= 0xFE; ++lead) {
        for (unsigned int trail = 0xA1; trail <= 0xFE; ++trail) {
            int n = snprintf(sLine, sizeof(sLine), "%c%c,%u,%u\n", char(lead), char(trail), lead, trail);
            text.append(sLine, size_t(n));
        }
    }
    return WriteFileAtomic(path, text.data(), text.size());
}

}  // namespace

// ---- reading characters --------------------------------------------------------------------------

int Getchar(const char* sBuffer, char* sChar) {
    if (!sBuffer || !sBuffer[0]) {
        sChar[0] = 0;
        return 0;
    }
    int n = (Byte(sBuffer, 0) >= 0x80 && sBuffer[1] != 0) ? 2 : 1;
    memcpy(sChar, sBuffer, size_t(n));
    sChar[n] = 0;
    return n;
}

int Getchar(const char* sBuffer, int* npCharCode) {
    if (!sBuffer || !sBuffer[0]) {
        *npCharCode = -1;
        return 0;
    }
    unsigned char b = Byte(sBuffer, 0);
    if (b < 0x80) {
        *npCharCode = b;
        return 1;
    }
    if (sBuffer[1] != 0) {
        *npCharCode = b * 256 + Byte(sBuffer, 1);
        return 2;
    }
    *npCharCode = static_cast<signed char>(b);
    return 1;
}

unsigned int GetCharCode(const char* sLine, unsigned long& i, unsigned long nSize) {
    unsigned char b = Byte(sLine, i);
    if (b >= 0x80 && i + 1 < nSize) {
        unsigned int code = b * 256u + Byte(sLine, i + 1);
        i += 2;
        return code;
    }
    ++i;
    if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
    return b;
}

int GetUTF8Char(const char* sBuffer, char* sChar) {
    if (!sBuffer || !sBuffer[0]) {
        sChar[0] = 0;
        return 0;
    }
    unsigned char b = Byte(sBuffer, 0);
    int nWant = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : b < 0xFC ? 5 : 6;
    int n = 0;
    while (n < nWant && sBuffer[n]) {
        sChar[n] = sBuffer[n];
        ++n;
    }
    sChar[n] = 0;
    return n;
}

int UTF8CharLength(const unsigned char* s, size_t nAvail) {
    if (nAvail == 0) return 0;
    const unsigned char b = s[0];
    const size_t nWant = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 1;
    if (nWant > nAvail) return 1;
    for (size_t k = 1; k < nWant; ++k)
        if ((s[k] & 0xC0) != 0x80) return 1;
    return int(nWant);
}

int EncodedCharLength(const unsigned char* s, size_t nAvail, bool bUTF8) {
    if (bUTF8) return UTF8CharLength(s, nAvail);
    return s[0] >= 0x80 && nAvail > 1 ? 2 : 1;
}

size_t Str2CharVector(const char* sStr, std::vector<tstring>& vecStr, bool bUTF8) {
    vecStr.clear();
    if (!sStr) return 0;
    char sChar[8];
    const char* p = sStr;
    for (;;) {
        int n = bUTF8 ? GetUTF8Char(p, sChar) : Getchar(p, sChar);
        if (n == 0) break;
        vecStr.emplace_back(sChar, size_t(n));
        p += n;
    }
    return vecStr.size();
}

size_t FindGBKChar(const tstring& sText, int nCode, size_t nFrom) {
    size_t i = nFrom;
    while (i < sText.size()) {
        int nChar = -1;
        int nLen = Getchar(sText.c_str() + i, &nChar);
        if (nLen == 0) break;
        if (nLen == 2 && (nChar & 0xFFFF) == nCode) return i;
        i += size_t(nLen);
    }
    return tstring::npos;
}

// ---- sets and counts -----------------------------------------------------------------------------

const char* CC_Find(const char* string, const char* strCharSet) {
    if (!string || !strCharSet || !strCharSet[0]) return NULL;
    const char* p = strstr(string, strCharSet);
    if (p && (p - string) % 2 == 0) return p;
    return NULL;
}

unsigned long GetCharCount(const char* sCharSet, const char* sWord, unsigned long nLen) {
    if (!sCharSet || !sWord) return 0;
    size_t avail = TokenAvail(sWord, nLen);
    unsigned long nCount = 0;
    size_t i = 0;
    while (i < avail) {
        unsigned char b = Byte(sWord, i);
        if (b >= 0x80) {
            if (i + 1 >= avail) break;  // a lone lead byte ends the walk, counted nowhere
            if (MemberAt(sCharSet, sWord, i, avail)) ++nCount;
            i += 2;
        } else {
            if (strchr(sCharSet, b)) ++nCount;  // b is never 0 here
            ++i;
        }
    }
    return nCount;
}

// ---- number, year and day tokens -----------------------------------------------------------------

bool IsAllNum(const char* sString, unsigned long nLen) {
    if (!sString) return nLen == 0;
    size_t n = nLen ? nLen : strlen(sString);
    size_t avail = strnlen(sString, n);
    size_t pos = 0;

    // 1. sign
    if (avail > 0 && (sString[0] == '+' || sString[0] == '-'))
        pos = 1;
    else if (MemberAt(kSignSet, sString, 0, avail))
        pos = 2;
    // 2. a point right after a sign (never at the token's start)
    if (pos > 0) pos += PointAt(sString, pos, avail);
    // 3. used up
    if (pos == n) return true;
    // 4. integer digits
    while (pos < avail && IsAsciiDigit(Byte(sString, pos))) ++pos;
    // 5. a decimal point (not the first character) and its digits
    if (pos > 0) {
        size_t nPoint = PointAt(sString, pos, avail);
        if (nPoint) {
            pos += nPoint;
            while (pos < avail && IsAsciiDigit(Byte(sString, pos))) ++pos;
        }
    }
    // 6. percent
    if (pos < avail && sString[pos] == '%')
        ++pos;
    else if (MemberAt(kPercentSet, sString, pos, avail))
        pos += 2;
    // 7. units
    while (MemberAt(kUnitSet, sString, pos, avail)) pos += 2;
    return pos == n;
}

bool IsYearTime(const char* sNum, int length) {
    if (!sNum || length < 0) return false;
    size_t n = length ? size_t(length) : strlen(sNum);
    size_t avail = strnlen(sNum, n);
    if (avail < n) return false;  // the token runs past the string
    const unsigned char* u = reinterpret_cast<const unsigned char*>(sNum);

    if (n >= 3 && GetCharCount(kYearNumSet, sNum, n) == n / 2) return true;
    if (IsAllSingleByte(u, n) && (n == 4 || (n == 2 && u[0] >= '5'))) return true;
    if (IsAllNum(sNum, n) && (n >= 6 || (n == 4 && MemberAt(kYearHighSet, sNum, 0, n)))) return true;
    if (n == 8 && GetCharCount(kThousandZeroSet, sNum, n) == 2) return true;
    if (n == 2 && GetCharCount(kThousandSet, sNum, n) == 1) return true;
    return false;
}

bool IsDayTime(const char* sNum, unsigned int nLen) {
    if (!sNum) return false;
    size_t n = nLen ? nLen : strlen(sNum);
    size_t avail = strnlen(sNum, n);
    if (avail < n) return false;
    if (n < 7 && GetCharCount(kDayNumSet, sNum, n) == n / 2) return true;
    if (n < 3) {
        for (size_t i = 0; i < n; ++i)
            if (!IsAsciiDigit(Byte(sNum, i))) return false;
        return true;
    }
    return false;
}

// ---- full-width and delimiter forms --------------------------------------------------------------

bool Delimiter2DictFormat(char cDelemiter, char* sWordRet) {
    const char* p = cDelemiter ? strchr(kAsciiDelims, cDelemiter) : NULL;
    if (!p) {
        sWordRet[0] = cDelemiter;
        sWordRet[1] = 0;
        return false;
    }
    size_t i = size_t(p - kAsciiDelims);
    sWordRet[0] = kFullDelimSet[2 * i];
    sWordRet[1] = kFullDelimSet[2 * i + 1];
    sWordRet[2] = 0;
    return true;
}

bool QuanJiao2BanJiao(char* sLine) {
    if (!sLine) return false;
    bool bChanged = false;
    size_t r = 0, w = 0;
    while (sLine[r]) {
        unsigned char b = Byte(sLine, r);
        if (b < 0x80) {
            sLine[w++] = sLine[r++];
            continue;
        }
        if (sLine[r + 1] == 0) {  // a lone lead byte: kept, and the text ends
            sLine[w++] = sLine[r++];
            break;
        }
        unsigned char t = Byte(sLine, r + 1);
        char cAscii = 0;
        if (b == 0xA3 && ((t >= 0xB0 && t <= 0xB9) || (t >= 0xC1 && t <= 0xDA) || (t >= 0xE1 && t <= 0xFA))) {
            cAscii = char(t - 0x80);
        } else {
            for (const QJEntry& e : kQuanJiaoTable) {
                if (Byte(e.sGBK, 0) == b && Byte(e.sGBK, 1) == t) {
                    cAscii = e.cAscii;
                    break;
                }
            }
        }
        if (cAscii) {
            sLine[w++] = cAscii;
            bChanged = true;
        } else {
            sLine[w++] = sLine[r];
            sLine[w++] = sLine[r + 1];
        }
        r += 2;
    }
    sLine[w] = 0;
    return bChanged;
}

// ---- normalising and classifying text ------------------------------------------------------------

char* StrNormalize(char* sStr) {
    if (!sStr) return NULL;
    size_t w = 0;
    bool bBlank = false;
    for (size_t r = 0; sStr[r]; ++r) {
        char c = sStr[r];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (w > 0) bBlank = true;
            continue;
        }
        if (bBlank) {
            sStr[w++] = ' ';
            bBlank = false;
        }
        sStr[w++] = c;
    }
    sStr[w] = 0;
    return sStr;
}

bool IsEnglishText(const char* sLine) {
    if (!sLine || !sLine[0]) return false;
    return IsEnglishTextOf(strlen(sLine), [sLine](size_t i) { return Byte(sLine, i); });
}

unsigned long CharStat(const char* sText, unsigned long& nSingleCharCount, unsigned long& nMultiCharCount,
                       bool bUTF8) {
    nSingleCharCount = 0;
    nMultiCharCount = 0;
    if (sText) {
        char sChar[8];
        const char* p = sText;
        for (;;) {
            int n = bUTF8 ? GetUTF8Char(p, sChar) : Getchar(p, sChar);
            if (n == 0) break;
            if (n > 1)
                ++nMultiCharCount;
            else if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
                ++nSingleCharCount;
            p += n;
        }
    }
    return nSingleCharCount + nMultiCharCount;
}

// ---- the test family -----------------------------------------------------------------------------

bool IsAllSingleByte(const unsigned char* sString, unsigned long length) {
    if (!sString) return true;
    size_t avail = TokenAvail(reinterpret_cast<const char*>(sString), length);
    for (size_t i = 0; i < avail; ++i)
        if (sString[i] >= 0x80) return false;
    return true;
}

bool IsAllChinese(const unsigned char* str) {
    if (!str) return true;
    while (*str) {
        if (!IsHanziLead(str[0]) || str[1] == 0) return false;
        str += 2;
    }
    return true;
}

bool IsAllNonChinese(const unsigned char* str) {
    if (!str) return true;
    while (*str) {
        if (IsHanziLead(str[0])) return false;
        if (str[0] < 0x81 || str[1] == 0)
            ++str;
        else
            str += 2;
    }
    return true;
}

unsigned long GetCCPrefix(const unsigned char* str) {
    unsigned long n = 0;
    if (!str) return 0;
    while (IsHanziLead(str[n]) && str[n + 1] != 0) n += 2;
    return n;
}

bool IsAllIndex(const unsigned char* str) {
    if (!str) return true;
    while (str[0] == 0xA2 && str[1] != 0) str += 2;
    for (; *str; ++str)
        if (!IsAsciiLetter(*str)) return false;
    return true;
}

bool IsAllLetter(const unsigned char* str) {
    if (!str) return true;
    while (*str) {
        unsigned char t = str[1];
        if (str[0] != 0xA3 || !((t >= 0xC1 && t <= 0xDA) || (t >= 0xE1 && t <= 0xFA))) return false;
        str += 2;
    }
    return true;
}

bool IsAllDelimiter(const unsigned char* str) {
    if (!str) return true;
    while (*str) {
        if ((str[0] != 0xA1 && str[0] != 0xA3) || str[1] == 0) return false;
        str += 2;
    }
    return true;
}

bool IsDelimiter(const char* str) {
    if (!str || !str[0] || str[1]) return false;
    return strchr("\t\r \n.,(){}[]:;\"'<>?/~@#$%^&*()_-+=", str[0]) != NULL;
}

bool IsAllChineseNum(const char* str, unsigned long len) {
    if (!str) return true;
    size_t n = len ? len : strlen(str);
    size_t avail = strnlen(str, n);
    if (avail < n) return false;
    size_t pos = 0;
    while (pos < n) {
        if (pos + 4 <= n && memcmp(str + pos, kFenZhi, 4) == 0) {
            pos += 4;
            continue;
        }
        if (pos + 2 > n) return false;  // an odd tail is no unit
        char unit[3] = {str[pos], str[pos + 1], 0};
        bool bOk = CC_Find(kChineseNumSet, unit) != NULL ||
                   (pos == 0 && (memcmp(unit, kShu, 2) == 0 || memcmp(unit, kDi, 2) == 0));
        if (!bOk) return false;
        pos += 2;
    }
    return true;
}

unsigned long GetForeignCharCount(const char* str) {
    unsigned long n0 = GetCharCount(kForeignSet0, str, 0);
    unsigned long n1 = GetCharCount(kForeignSet1, str, 0);
    unsigned long n2 = GetCharCount(kForeignSet2, str, 0);
    unsigned long n = n0 > n1 ? n0 : n1;
    return n > n2 ? n : n2;
}

int GetForeignType(const char* str) {
    unsigned long n0 = GetCharCount(kForeignSet0, str, 0);
    unsigned long n1 = GetCharCount(kForeignSet1, str, 0);
    unsigned long n2 = GetCharCount(kForeignSet2, str, 0);
    int nType = 0;
    if (n2 > n0) nType = 2;
    if (n1 > n0 && n1 > n2) nType = 1;
    return nType;
}

bool IsForeign(const char* str) {
    size_t len = str ? strlen(str) : 0;
    return len >= 3 || 2 * GetForeignCharCount(str) >= len;
}

bool IsAllForeign(const char* str) {
    size_t len = str ? strlen(str) : 0;
    return 2 * GetForeignCharCount(str) == len;
}

bool PostfixSplit(const char* word, char* sPrefix, char* sPostfix) {
    sPrefix[0] = 0;
    sPostfix[0] = 0;
    if (!word) return true;
    size_t len = strlen(word);
    // Character starts, so that a suffix never begins inside a character.
    std::vector<bool> bStart(len + 1, false);
    size_t nLast = len;
    for (size_t i = 0; i < len; i += CharLenAt(word, i, len)) {
        bStart[i] = true;
        nLast = i;
    }
    bStart[len] = true;

    size_t nSplit = len;
    for (const char* sSuffix : kPlaceSuffixes) {
        size_t n = strlen(sSuffix);
        if (n <= len && bStart[len - n] && memcmp(word + len - n, sSuffix, n) == 0) {
            nSplit = len - n;
            break;
        }
    }
    if (nSplit == len && nLast < len && len - nLast == 2 && CC_Find(kPlaceSuffixChars, word + nLast)) nSplit = nLast;

    memcpy(sPrefix, word, nSplit);
    sPrefix[nSplit] = 0;
    memcpy(sPostfix, word + nSplit, len - nSplit);
    sPostfix[len - nSplit] = 0;
    return true;
}

void WordStandard(char* str) {
    if (!str) return;
    size_t r = 0, w = 0;
    while (str[r]) {
        unsigned char b = Byte(str, r);
        if (b < 0x80) {
            if (b >= 'A' && b <= 'Z')
                str[w++] = char(b - 'A' + 'a');
            else if ((b >= 'a' && b <= 'z') || IsAsciiDigit(b) || strchr("+-{};\r\n", b))
                str[w++] = char(b);
            else if (b == ' ' && (IsAsciiLetter(Byte(str, r + 1)) || IsAsciiDigit(Byte(str, r + 1))))
                str[w++] = ' ';
            ++r;
            continue;
        }
        if (str[r + 1] == 0) {  // a lone lead byte: kept, and the text ends
            str[w++] = str[r++];
            break;
        }
        unsigned char t = Byte(str, r + 1);
        if (b == 0xA3 && t >= 0xB0 && t <= 0xB9)
            str[w++] = char(t - 0x80);
        else if (b == 0xA3 && ((t >= 0xC1 && t <= 0xDA) || (t >= 0xE1 && t <= 0xFA)))
            str[w++] = char((t - 0x80) | 0x20);
        else if (b == 0xA3 && t == 0xAB)
            str[w++] = '+';
        else if (b == 0xA3 && t >= 0xBB)
            str[w++] = ';';
        else {
            str[w++] = str[r];
            str[w++] = str[r + 1];
        }
        r += 2;
    }
    str[w] = 0;
}

size_t MaxPrefix(const char* a, const char* b) {
    if (!a || !b) return 0;
    size_t n = 0;
    while (a[n] && a[n] == b[n]) ++n;
    return n;
}

const char* sgets(const char* text, char* line) {
    if (!text) {
        line[0] = 0;
        return NULL;
    }
    size_t i = 0;
    for (; text[i] && text[i] != '\r' && text[i] != '\n'; ++i) line[i] = text[i];
    line[i] = 0;
    while (text[i] == '\r' || text[i] == '\n') ++i;
    return text[i] ? text + i : NULL;
}

bool GB2312_Generate(const char* path) { return GenerateCodes(path, 0xA1); }

bool CC_Generate(const char* path) { return GenerateCodes(path, 0xB0); }
