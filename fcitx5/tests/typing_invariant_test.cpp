/*
 * SPDX-License-Identifier: LGPL-2.1-or-later
 */
#include <dlfcn.h>
#include <fcitx-utils/utf8.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "instance_fixture.h"

namespace quorvel_test {
namespace {

// The engine alone, reached through the C interface of the loaded addon, on
// a text field that applies every action at once.
class EngineAlone {
 public:
  EngineAlone() {
    const std::string path =
        std::string(std::getenv("QUORVEL_TEST_ADDON_DIR") ? std::getenv("QUORVEL_TEST_ADDON_DIR")
                                                          : QUORVEL_ADDON_DIR) +
        "/libquorvel.so";
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(handle_, nullptr) << "the addon is not loaded: " << path;
    load(new_, "qvl_session_new");
    load(free_, "qvl_session_free");
    load(processKey_, "qvl_process_key");
    load(focus_, "qvl_focus_changed");
    load(outputMode_, "qvl_set_output_mode");
    load(surrounding_, "qvl_set_surrounding_text");
    load(flush_, "qvl_flush");
  }
  ~EngineAlone() {
    if (handle_) {
      dlclose(handle_);
    }
  }

  std::string type(const char* config, const char* program, bool replace,
                   const std::vector<std::string>& keys) {
    if (!new_ || !free_ || !processKey_ || !focus_ || !outputMode_ || !surrounding_ || !flush_) {
      return "(engine functions missing)";
    }
    text_.clear();
    QvlSession* s = new_(config, QVL_OUTPUT_PREEDIT);
    focus_(s, program);
    if (replace) {
      outputMode_(s, QVL_OUTPUT_REPLACE);
    }
    for (const auto& key : keys) {
      const std::string before = encode();
      surrounding_(s, before.c_str());
      apply(processKey_(s, key.c_str(), false, false, false), key);
    }
    apply(flush_(s), "");
    free_(s);
    return encode();
  }

 private:
  template <typename F>
  void load(F& f, const char* name) {
    f = handle_ ? reinterpret_cast<F>(dlsym(handle_, name)) : nullptr;
    EXPECT_NE(f, nullptr) << name << " is not exported";
  }

  void deliver(const std::string& key) {
    if (key == "Backspace") {
      if (!text_.empty()) {
        text_.pop_back();
      }
    } else if (!key.empty()) {
      for (uint32_t c : fcitx::utf8::MakeUTF8CharRange(key)) {
        text_.push_back(static_cast<char32_t>(c));
      }
    }
  }

  void apply(const QvlAction& action, const std::string& key) {
    switch (action.kind) {
      case QVL_ACTION_PASS:
        deliver(key);
        return;
      case QVL_ACTION_PREEDIT:
        return;
      case QVL_ACTION_REPLACE: {
        uint32_t units = action.delete_utf16;
        while (units > 0 && !text_.empty()) {
          units -= std::min<uint32_t>(units, text_.back() > 0xFFFF ? 2 : 1);
          text_.pop_back();
        }
        break;
      }
      default:
        break;
    }
    const std::string text = action.text ? action.text : "";
    for (uint32_t c : fcitx::utf8::MakeUTF8CharRange(text)) {
      text_.push_back(static_cast<char32_t>(c));
    }
    if (action.forward_key) {
      deliver(key);
    }
  }

  std::string encode() const {
    std::string out;
    for (char32_t c : text_) {
      out += fcitx::utf8::UCS4ToUTF8(c);
    }
    return out;
  }

  void* handle_ = nullptr;
  QvlSession* (*new_)(const char*, uint32_t) = nullptr;
  void (*free_)(QvlSession*) = nullptr;
  QvlAction (*processKey_)(QvlSession*, const char*, bool, bool, bool) = nullptr;
  QvlAction (*focus_)(QvlSession*, const char*) = nullptr;
  QvlAction (*outputMode_)(QvlSession*, uint32_t) = nullptr;
  void (*surrounding_)(QvlSession*, const char*) = nullptr;
  QvlAction (*flush_)(QvlSession*) = nullptr;
  std::u32string text_;
};

struct TypingCase {
  const char* name;
  bool replace;
  unsigned seed;
  int keys;
};

void PrintTo(const TypingCase& c, std::ostream* os) { *os << c.name; }

class TypingInvariant : public InstanceTest, public ::testing::WithParamInterface<TypingCase> {};

// Letters weighted towards Telex vowels and marks, spaces, Backspace and
// punctuation, as key names.
std::vector<std::string> randomKeys(unsigned seed, int count) {
  static const std::string letters = "aaeeiioouuyddwwssffrrxxjjzbcghklmnpqtv";
  static const std::string punctuation = ",.!?";
  std::mt19937 rng(seed);
  std::vector<std::string> keys;
  for (int i = 0; i < count; ++i) {
    const int roll = static_cast<int>(rng() % 100);
    if (roll < 16) {
      keys.emplace_back(" ");
    } else if (roll < 25) {
      keys.emplace_back("Backspace");
    } else if (roll < 29) {
      keys.emplace_back(1, punctuation[rng() % punctuation.size()]);
    } else {
      keys.emplace_back(1, letters[rng() % letters.size()]);
    }
  }
  return keys;
}

TEST_P(TypingInvariant, SameTextAsTheEngineAlone) {
  const auto& param = GetParam();
  const char* config = "{\"app_profiles\":{\"recorder\":{\"output_mode\":\"replace\"}}}";
  if (param.replace) {
    writeFile("config.json", config);
  }
  auto* ic = makeContext("recorder", fcitx::CapabilityFlag::SurroundingText);
  const auto keys = randomKeys(param.seed, param.keys);

  int whileBusy = 0;  // keys that arrived during a replacement
  std::mt19937 rng(param.seed ^ 0x5eed);
  for (size_t i = 0; i < keys.size();) {
    // Up to four keys at once, then a tick of the event loop: many arrive
    // while a replacement waits.
    const size_t n = std::min<size_t>(1 + rng() % 4, keys.size() - i);
    std::vector<fcitx::Key> batch;
    for (size_t j = 0; j < n; ++j, ++i) {
      batch.push_back(keys[i] == "Backspace"
                          ? fcitx::Key(FcitxKey_BackSpace)
                          : fcitx::Key(fcitx::Key::keySymFromUnicode(keys[i][0])));
    }
    step([this, ic, batch, &whileBusy]() {
      for (const auto& key : batch) {
        whileBusy += state(ic)->outputPending() ? 1 : 0;
        ic->press(key);
      }
    });
  }
  waitIdle(ic);
  step([ic]() { ic->reset(); });
  waitIdle(ic);
  run();

  EngineAlone engine;
  const std::string expected =
      engine.type(param.replace ? config : nullptr, "recorder", param.replace, keys);
  EXPECT_EQ(ic->text(), expected);
  for (const auto& event : ic->events()) {
    EXPECT_NE(event, "delete-out-of-range");
  }
  EXPECT_EQ(logCount("quorvel: plan fail-safe"), 0u);
  if (param.replace) {
    EXPECT_GT(whileBusy, param.keys / 20) << "too few keys were queued to test the replay";
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, TypingInvariant,
                         ::testing::Values(TypingCase{"preedit", false, 11, 3000},
                                           TypingCase{"replace_a", true, 23, 1000},
                                           TypingCase{"replace_b", true, 37, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel_test
