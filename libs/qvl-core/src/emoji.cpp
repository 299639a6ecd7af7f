#include "qvl_core/emoji.hpp"

#include <algorithm>
#include <string>

#include "qvl_core/charset.hpp"
#include "qvl_unicode/unicode.hpp"

namespace qvl_core::emoji {

const std::array<Emoji, 68> EMOJI_TABLE = {{
    {"😀", "mặt cười", "cuoi vui smile happy"},
    {"😁", "cười tươi", "cuoi vui grin"},
    {"😂", "cười ra nước mắt", "cuoi vui joy tears"},
    {"🤣", "cười lăn", "cuoi vui rofl"},
    {"😊", "cười hiền", "cuoi vui blush"},
    {"😍", "mắt trái tim", "yeu thich love heart eyes"},
    {"🥰", "yêu thương", "yeu thuong love"},
    {"😘", "hôn gió", "hon kiss"},
    {"😎", "đeo kính", "cool kinh"},
    {"🤔", "suy nghĩ", "suy nghi think"},
    {"😅", "cười ngượng", "cuoi nguong sweat"},
    {"😢", "khóc", "khoc buon sad"},
    {"😭", "khóc to", "khoc buon sob"},
    {"😡", "giận", "gian tuc angry"},
    {"🥺", "mắt long lanh", "xin please"},
    {"😴", "buồn ngủ", "ngu sleep"},
    {"🤒", "ốm", "om sick"},
    {"🤝", "bắt tay", "bat tay handshake"},
    {"👍", "like", "thich ok good"},
    {"👎", "dislike", "khong thich bad"},
    {"👏", "vỗ tay", "vo tay clap"},
    {"🙏", "cảm ơn", "cam on thanks pray"},
    {"💪", "mạnh mẽ", "manh me strong"},
    {"👌", "ok", "ok tuyet"},
    {"❤️", "trái tim", "yeu love heart"},
    {"💔", "tim vỡ", "buon love broken"},
    {"🔥", "lửa", "lua hot fire"},
    {"⭐", "ngôi sao", "sao star"},
    {"✨", "lấp lánh", "lap lanh sparkle"},
    {"🎉", "tiệc", "tiec party celebrate"},
    {"🎊", "pháo giấy", "phao giay confetti"},
    {"🎁", "quà", "qua gift"},
    {"☕", "cà phê", "ca phe coffee"},
    {"🍜", "mì", "mi noodle"},
    {"🍕", "pizza", "pizza"},
    {"🍺", "bia", "bia beer"},
    {"🚀", "tên lửa", "ten lua rocket"},
    {"💡", "bóng đèn", "bong den idea"},
    {"📌", "ghim", "ghim pin"},
    {"📎", "kẹp giấy", "kep giay clip"},
    {"✅", "xong", "xong ok check"},
    {"❌", "sai", "sai no cross"},
    {"⚠️", "cảnh báo", "canh bao warning"},
    {"❓", "hỏi", "hoi question"},
    {"❗", "chú ý", "chu y exclamation"},
    {"💯", "100", "100 tuyet"},
    {"🐱", "mèo", "meo cat"},
    {"🐶", "chó", "cho dog"},
    {"🌸", "hoa anh đào", "hoa sakura"},
    {"🌹", "hoa hồng", "hoa hong rose"},
    {"🌞", "mặt trời", "mat troi sun"},
    {"🌙", "mặt trăng", "mat trang moon"},
    {"☀️", "nắng", "nang sun"},
    {"🌧️", "mưa", "mua rain"},
    {"🍀", "cỏ bốn lá", "co bon la luck"},
    {"🎵", "nốt nhạc", "not nhac music"},
    {"🎶", "nhạc", "nhac music"},
    {"📱", "điện thoại", "dien thoai phone"},
    {"💻", "laptop", "laptop computer"},
    {"⌨️", "bàn phím", "ban phim keyboard"},
    {"🖱️", "chuột", "chuot mouse"},
    {"📷", "máy ảnh", "may anh camera"},
    {"🎮", "game", "game choi"},
    {"🏠", "nhà", "nha home"},
    {"🚗", "ô tô", "o to car"},
    {"✈️", "máy bay", "may bay plane"},
    {"🏖️", "biển", "bien beach"},
    {"🇻🇳", "Việt Nam", "viet nam vietnam"},
}};

namespace {

namespace qu = qvl_unicode;

std::string fold(std::string_view text) { return qu::to_lower(charset::remove_diacritics(text)); }

// Name and keywords of every row, folded as queries are.
const std::array<std::string, 68>& haystacks() {
  static const std::array<std::string, 68> hay = [] {
    std::array<std::string, 68> out;
    for (std::size_t k = 0; k < EMOJI_TABLE.size(); ++k) {
      out[k] = fold(std::string(EMOJI_TABLE[k].name) + " " + std::string(EMOJI_TABLE[k].keywords));
    }
    return out;
  }();
  return hay;
}

std::string_view trim(std::string_view s) {
  std::size_t first = 0, last = s.size();
  while (first < last) {
    const qu::Decoded d = qu::decode_at(s, first);
    if (!qu::is_white_space(d.cp)) break;
    first += d.length;
  }
  while (last > first) {
    std::size_t start = last - 1;
    while (start > first && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) --start;
    const qu::Decoded d = qu::decode_at(s, start);
    if (start + d.length != last || !qu::is_white_space(d.cp)) break;
    last = start;
  }
  return s.substr(first, last - first);
}

}  // namespace

std::vector<Match> search(std::string_view query, std::size_t limit) {
  std::vector<Match> out;
  const std::string q = fold(trim(query));
  if (q.empty()) {
    for (std::size_t k = 0; k < std::min(limit, EMOJI_TABLE.size()); ++k) {
      out.push_back({EMOJI_TABLE[k].emoji, EMOJI_TABLE[k].name});
    }
    return out;
  }
  struct Hit {
    int rank;
    std::size_t name_length;
    const Emoji* row;
  };
  std::vector<Hit> hits;
  const auto& hay = haystacks();
  for (std::size_t k = 0; k < EMOJI_TABLE.size(); ++k) {
    const std::size_t at = hay[k].find(q);
    if (at == std::string::npos) continue;
    hits.push_back({at == 0 ? 0 : 1, qu::char_count(EMOJI_TABLE[k].name), &EMOJI_TABLE[k]});
  }
  std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
    if (a.rank != b.rank) return a.rank < b.rank;
    if (a.name_length != b.name_length) return a.name_length < b.name_length;
    if (a.row->emoji != b.row->emoji) return a.row->emoji < b.row->emoji;
    return a.row->name < b.row->name;
  });
  for (std::size_t k = 0; k < std::min(limit, hits.size()); ++k) {
    out.push_back({hits[k].row->emoji, hits[k].row->name});
  }
  return out;
}

}  // namespace qvl_core::emoji
