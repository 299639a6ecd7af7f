// The charset commands as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "run_tool.hpp"

namespace {

using quorvel_tool_test::EnvChanges;
using quorvel_tool_test::one_error_line;
using quorvel_tool_test::read_file;
using quorvel_tool_test::run_tool;
using quorvel_tool_test::scratch_dir;
using quorvel_tool_test::write_file;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    out.push_back(text.substr(start, nl - start));
  }
  return out;
}

std::vector<std::string> charset_ids() {
  std::vector<std::string> ids;
  for (const auto& line : lines(run_tool({"charsets"}).out))
    ids.push_back(line.substr(0, line.find('\t')));
  return ids;
}

TEST(Charsets, ListsSixteenWithDisplayNames) {
  const auto run = run_tool({"charsets"});
  ASSERT_EQ(run.status, 0);
  const auto list = lines(run.out);
  ASSERT_EQ(list.size(), 16u);
  EXPECT_EQ(list[0], "unicode\tUnicode (NFC)");
  EXPECT_EQ(list[1], "unicode_nfd\tUnicode tổ hợp (NFD)");
  EXPECT_EQ(list[2], "tcvn3\tTCVN3 (ABC)");
}

// Every lower-case letter with each tone, plain ASCII around them.
constexpr const char* LOWER_SAMPLE =
    "Tiếng Việt có dấu: à á ả ã ạ ă ằ ắ ẳ ẵ ặ â ầ ấ ẩ ẫ ậ đ è é ẻ ẽ ẹ ê ề ế ể ễ ệ\n"
    "ì í ỉ ĩ ị ò ó ỏ õ ọ ô ồ ố ổ ỗ ộ ơ ờ ớ ở ỡ ợ ù ú ủ ũ ụ ư ừ ứ ử ữ ự ỳ ý ỷ ỹ ỵ\n"
    "người ta nói, 12 con gà; thế thôi!\n";
constexpr const char* UPPER_SAMPLE =
    "ĐÀ NẴNG, Huế và Hà Nội: ĂN Ở ƯỚC MƠ. Ỳ Ý Ỷ Ỹ Ỵ Ẫ Ẳ Ẵ Õ Ạ Ậ Ặ Ẹ Ệ Ị Ọ Ộ Ợ Ụ Ữ Ự\n";

TEST(Convert, SampleFileRoundTripsThroughEveryCharset) {
  const auto dir = scratch_dir();
  write_file(dir / "lower.txt", LOWER_SAMPLE);
  write_file(dir / "mixed.txt", std::string(LOWER_SAMPLE) + UPPER_SAMPLE);
  // These keep only one code for an upper- and lower-case letter, or one for
  // two unrelated capitals, so only lower-case text comes back from them.
  const std::vector<std::string> case_folding = {"tcvn3", "vietware_full", "viscii", "vps",
                                                 "bkhcm1"};
  const auto ids = charset_ids();
  ASSERT_EQ(ids.size(), 16u);
  for (const auto& id : ids) {
    const bool folds =
        std::find(case_folding.begin(), case_folding.end(), id) != case_folding.end();
    const std::string sample = folds ? "lower.txt" : "mixed.txt";
    const auto encoded = dir / (id + "." + sample);
    const auto there = run_tool({"convert", "--from", "unicode", "--to", id, "-o", encoded.string(),
                                 (dir / sample).string()});
    ASSERT_EQ(there.status, 0) << id << there.err;
    EXPECT_EQ(there.err, "") << id;
    if (id != "unicode") {
      EXPECT_NE(read_file(encoded), read_file(dir / sample)) << id;
    }
    const auto back = run_tool({"convert", "--from", id, "--to", "unicode", encoded.string()});
    ASSERT_EQ(back.status, 0) << id << back.err;
    EXPECT_EQ(back.out, read_file(dir / sample)) << id;
  }
}

TEST(Convert, SingleByteCharsetsAreRawBytesOthersUtf8) {
  struct Case {
    const char* to;
    const char* text;
    std::string encoded;
  };
  const std::vector<Case> cases = {
      {"tcvn3", "Việt", "\x56\x69\xD6\x74"},
      {"VNI", "Tiếng Việt", "\x54\x69\x65\xE1\x6E\x67\x20\x56\x69\x65\xE4\x74"},
      {"viqr", "Tiếng Việt", "Tie^'ng Vie^.t"},
      {"ncr_decimal", "Tiếng Việt", "Ti&#7871;ng Vi&#7879;t"},
      {"cstring_hex", "Tiếng Việt", "Ti\\x1EBFng Vi\\x1EC7t"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run_tool({"convert", "--from", "utf-8", "--to", c.to}, c.text).out, c.encoded)
        << c.to;
    EXPECT_EQ(run_tool({"convert", "--from", c.to, "--to", "unicode"}, c.encoded).out, c.text)
        << c.to;
  }
  EXPECT_EQ(run_tool({"convert", "--from", "vni", "--to", "viqr"},
                     "\x54\x69\x65\xE1\x6E\x67\x20\x56\x69\x65\xE4\x74")
                .out,
            "Tie^'ng Vie^.t");
}

TEST(Convert, FilesAreConcatenatedInOrder) {
  const auto dir = scratch_dir();
  write_file(dir / "a", "Việt ");
  write_file(dir / "b", "Nam");
  const auto run = run_tool(
      {"convert", "--from", "unicode", "--to", "viqr", (dir / "a").string(), (dir / "b").string()});
  EXPECT_EQ(run.out, "Vie^.t Nam");
}

TEST(Convert, InvalidUtf8IsReplacedAndReportedOnceAtTheFirstBadByte) {
  const auto run = run_tool({"convert", "--from", "unicode", "--to", "viqr"},
                            "ab\xFF"
                            "c\xC3 d\xE1\xBA");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "ab\uFFFD"
            "c\uFFFD d\uFFFD");
  EXPECT_TRUE(one_error_line(run.err)) << run.err;
  EXPECT_NE(run.err.find("byte 2 "), std::string::npos) << run.err;
}

TEST(Convert, ArgumentErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"convert", "--from", "latin9", "--to", "unicode"},
           {"convert", "--from", "unicode"},
           {"convert", "--to", "viqr", "--bogus"},
           {"convert", "--from", "vni", "--to", "viqr", "--clipboard", "file"}}) {
    const auto run = run_tool(args, "x");
    EXPECT_EQ(run.status, 2) << args[2];
    EXPECT_TRUE(one_error_line(run.err)) << run.err;
  }
  const auto missing = run_tool({"convert", "--from", "vni", "--to", "viqr", "/nonexistent/f"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(one_error_line(missing.err)) << missing.err;
}

TEST(Convert, TwentyMegabytesStreamInBoundedMemory) {
  const auto dir = scratch_dir();
  const std::string line = "Tiếng Việt là ngôn ngữ của người Việt, được dùng ở khắp nơi.\n";
  const auto encoded_line = run_tool({"convert", "--from", "unicode", "--to", "vni"}, line).out;
  {
    std::string big;
    big.reserve(20u << 20);
    while (big.size() < (20u << 20)) big += line;
    write_file(dir / "big.txt", big);
  }
  // A small run gives the program's own footprint. Freed chunks must be
  // reused at once under AddressSanitizer, so its quarantine is kept small.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const EnvChanges env = {
      {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":quarantine_size_mb=1"}};
  write_file(dir / "small.txt", line);
  const auto small = run_tool({"convert", "--from", "unicode", "--to", "vni", "-o",
                               (dir / "small.out").string(), (dir / "small.txt").string()},
                              {}, env);
  const auto big = run_tool({"convert", "--from", "unicode", "--to", "vni", "-o",
                             (dir / "big.out").string(), (dir / "big.txt").string()},
                            {}, env);
  ASSERT_EQ(small.status, 0);
  ASSERT_EQ(big.status, 0) << big.err;
  // Holding the input alone would take 20 MB more.
  EXPECT_LT(big.max_rss_kb - small.max_rss_kb, 8 * 1024) << small.max_rss_kb << " KB small";

  const std::string out = read_file(dir / "big.out");
  ASSERT_EQ(out.size() % encoded_line.size(), 0u);
  for (std::size_t at = 0; at < out.size(); at += encoded_line.size()) {
    ASSERT_EQ(out.compare(at, encoded_line.size(), encoded_line), 0) << "at byte " << at;
  }
}

TEST(Detect, CandidatesBestFirst) {
  const std::vector<std::string> legacy = {"tcvn3",  "vni_windows", "viscii",        "vps",
                                           "bkhcm1", "bkhcm2",      "vietware_full", "cp1258"};
  // The same TCVN3 text as raw bytes and as the characters of those bytes.
  for (const char* input : {"\x54\x69\xD5\x6E\x67\x20\x56\x69\xD6\x74", "TiÕng ViÖt"}) {
    const auto run = run_tool({"detect"}, input);
    ASSERT_EQ(run.status, 0);
    const auto found = lines(run.out);
    ASSERT_EQ(found.size(), legacy.size());
    EXPECT_EQ(found[0], "tcvn3\tTCVN3 (ABC)");
    for (std::size_t i = 0; i < found.size(); ++i)
      EXPECT_TRUE(found[i].starts_with(legacy[i] + "\t"));
  }
  EXPECT_EQ(run_tool({"detect"}, "Ti&#7871;ng Vi&#7879;t").out, "ncr_decimal\tNCR Decimal\n");

  const auto file = scratch_dir() / "viqr.txt";
  write_file(file, "Tie^'ng Vie^.t");
  EXPECT_EQ(lines(run_tool({"detect", file.string()}).out).size(), 2u);

  const auto plain = run_tool({"detect"}, "hello");
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(plain.out, "");
  EXPECT_TRUE(one_error_line(plain.err));
}

TEST(TextCommands, CaseStripAndEmoji) {
  struct Case {
    std::vector<std::string> args;
    const char* input;
    const char* output;
  };
  const std::vector<Case> cases = {
      {{"case", "upper"}, "xin chào Đà Nẵng", "XIN CHÀO ĐÀ NẴNG"},
      {{"case", "lower"}, "XIN CHÀO ĐÀ NẴNG", "xin chào đà nẵng"},
      {{"case", "TITLE"}, "xin CHÀO bạn", "Xin CHÀO Bạn"},
      {{"strip"}, "Tiếng Việt Đà Nẵng", "Tieng Viet Da Nang"},
      {{"emoji", "cuoi", "--limit", "4"},
       "",
       "🤣\tcười lăn\n😁\tcười tươi\n😊\tcười hiền\n😅\tcười ngượng\n"},
      {{"emoji", "Cười", "--limit=2"}, "", "🤣\tcười lăn\n😁\tcười tươi\n"},
  };
  for (const auto& c : cases) {
    const auto run = run_tool(c.args, c.input);
    EXPECT_EQ(run.status, 0) << c.args[0] << " " << c.input;
    EXPECT_EQ(run.out, c.output) << c.args[0] << " " << c.input;
  }
  EXPECT_EQ(lines(run_tool({"emoji", "love"}).out).size(), 4u);
  EXPECT_EQ(run_tool({"emoji", "xyz"}).status, 1);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"case", "camel"}, {"case"}, {"emoji", "a", "--limit", "many"}, {"strip", "a", "b"}}) {
    const auto run = run_tool(args, "x");
    EXPECT_EQ(run.status, 2) << args[0];
    EXPECT_TRUE(one_error_line(run.err)) << run.err;
  }
}

// Stand-ins for the clipboard tools: the clipboard is a file.
class Clipboard : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_dir();
    clip_ = dir_ / "clipboard";
    std::filesystem::create_directories(dir_ / "bin");
    const std::string paste = "#!/bin/sh\ncat '" + clip_.string() + "'\n";
    const std::string copy = "#!/bin/sh\ncat > '" + clip_.string() + "'\n";
    install("wl-paste", paste);
    install("wl-copy", copy);
    install("xclip", "#!/bin/sh\nif [ \"$3\" = -o ]; then cat '" + clip_.string() +
                         "'; else cat > '" + clip_.string() + "'; fi\n");
  }
  void install(const char* name, const std::string& script) {
    write_file(dir_ / "bin" / name, script);
    std::filesystem::permissions(dir_ / "bin" / name, std::filesystem::perms::owner_all);
  }
  EnvChanges env(bool wayland, bool x11) const {
    return {{"PATH", (dir_ / "bin").string() + ":/usr/bin:/bin"},
            {"WAYLAND_DISPLAY", wayland ? std::optional<std::string>("wayland-0") : std::nullopt},
            {"DISPLAY", x11 ? std::optional<std::string>(":0") : std::nullopt}};
  }

  std::filesystem::path dir_;
  std::filesystem::path clip_;
};

TEST_F(Clipboard, TextIsConvertedInPlaceOnWaylandAndX11) {
  struct Case {
    std::vector<std::string> args;
    const char* before;
    const char* after;
  };
  const std::vector<Case> cases = {
      {{"convert", "--from", "unicode", "--to", "viqr", "--clipboard"},
       "Tiếng Việt",
       "Tie^'ng Vie^.t"},
      {{"convert", "--from", "tcvn3", "--to", "unicode", "--clipboard"},
       "TiÕng ViÖt",
       "Tiếng Việt"},
      {{"case", "upper", "--clipboard"}, "xin chào", "XIN CHÀO"},
      {{"strip", "--clipboard"}, "Đà Nẵng", "Da Nang"},
  };
  for (const bool wayland : {true, false}) {
    for (const auto& c : cases) {
      write_file(clip_, c.before);
      const auto run = run_tool(c.args, {}, env(wayland, !wayland));
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(read_file(clip_), c.after) << c.args[0] << (wayland ? " wayland" : " x11");
    }
  }
}

TEST_F(Clipboard, ClearMessageWithoutAClipboardTool) {
  auto changes = env(false, false);
  changes["PATH"] = (dir_ / "empty").string();
  const auto run = run_tool({"strip", "--clipboard"}, {}, changes);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(one_error_line(run.err)) << run.err;
  EXPECT_NE(run.err.find("wl-clipboard"), std::string::npos);
  EXPECT_NE(run.err.find("xclip"), std::string::npos);
}

}  // namespace
