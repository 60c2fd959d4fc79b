#include "report/gif_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tlw {
namespace {

// LZW codes of at most 12 bits; data sub-blocks of 254 bytes.
constexpr int kMaxBits = 12;
constexpr int kMaxCodes = 1 << kMaxBits;  // 4096
constexpr int kPacket = 254;

// Bits per pixel for a palette of `colors` entries (1 to 8).
int BitsFor(int colors) {
  int bits = 1;
  while (bits < 8 && (1 << bits) < colors) ++bits;
  return bits;
}

void PutWord(std::string& out, int value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

// Packs codes least significant bit first into the data sub-blocks.
class CodeWriter {
 public:
  explicit CodeWriter(std::string& out) : out_(out) {}
  void Put(int code, int bits) {
    accumulator_ |= static_cast<std::uint32_t>(code) << filled_;
    filled_ += bits;
    while (filled_ >= 8) {
      Byte(static_cast<char>(accumulator_ & 0xFF));
      accumulator_ >>= 8;
      filled_ -= 8;
    }
  }
  void Finish() {
    if (filled_ > 0) Byte(static_cast<char>(accumulator_ & 0xFF));
    accumulator_ = 0;
    filled_ = 0;
    Flush();
  }

 private:
  void Byte(char c) {
    packet_[count_++] = c;
    if (count_ >= kPacket) Flush();
  }
  void Flush() {
    if (count_ == 0) return;
    out_.push_back(static_cast<char>(count_));
    out_.append(packet_.data(), static_cast<std::size_t>(count_));
    count_ = 0;
  }
  std::string& out_;
  std::uint32_t accumulator_ = 0;
  int filled_ = 0;
  std::array<char, 256> packet_{};
  int count_ = 0;
};

}  // namespace

std::string EncodeGif(const gdImage& image) {
  const int width = image.sx;
  const int height = image.sy;
  const int bits = BitsFor(image.colorsTotal);
  const int mapSize = 1 << bits;
  std::string out;
  out.reserve(static_cast<std::size_t>(width * height / 4 + 1024));
  out.append(image.transparent < 0 ? "GIF87a" : "GIF89a");
  PutWord(out, width);
  PutWord(out, height);
  out.push_back(static_cast<char>(0x80 | ((bits - 1) << 4) | (bits - 1)));
  out.push_back(0);  // background
  out.push_back(0);  // aspect
  for (int i = 0; i < mapSize; ++i) {
    out.push_back(static_cast<char>(image.red[i]));
    out.push_back(static_cast<char>(image.green[i]));
    out.push_back(static_cast<char>(image.blue[i]));
  }
  if (image.transparent >= 0) {
    const char ext[] = {
        '!', static_cast<char>(0xF9), 4, 1, 0, 0, static_cast<char>(image.transparent), 0};
    out.append(ext, sizeof ext);
  }
  out.push_back(',');
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, width);
  PutWord(out, height);
  out.push_back(image.interlace ? 0x40 : 0x00);
  const int initBits = bits <= 1 ? 2 : bits;
  out.push_back(static_cast<char>(initBits));

  // Rows in the order they are written: four passes when interlaced. A
  // pass that starts below the last row still takes one row there, which
  // reads as colour 0, as every GIF writer of this lineage does.
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(height));
  for (int y = 0, pass = 0; static_cast<int>(rows.size()) < height;) {
    rows.push_back(y);
    if (!image.interlace) {
      ++y;
      continue;
    }
    static constexpr std::array<int, 4> kStep = {8, 8, 4, 2};
    static constexpr std::array<int, 4> kNextStart = {4, 2, 1, 1};
    y += kStep[static_cast<std::size_t>(pass)];
    if (pass < 3 && y >= height) {
      y = kNextStart[static_cast<std::size_t>(pass)];
      ++pass;
    }
  }

  const int clearCode = 1 << initBits;
  const int endCode = clearCode + 1;
  const int firstFree = clearCode + 2;
  // The string table as an open hash of 5003 slots probed by a second
  // hash, exactly so: a string of colour 0 followed by colour 0 has the key
  // 0, which the probing takes for a free slot, so which strings are found
  // (and so the bytes written) follow from this table's layout.
  constexpr int kSlots = 5003;
  constexpr int kShift = 4;
  std::vector<std::int32_t> keys(kSlots, -1);
  std::vector<std::uint16_t> codes(kSlots, 0);
  CodeWriter writer(out);
  int codeBits = initBits + 1;
  int maxCode = (1 << codeBits) - 1;
  int nextFree = firstFree;
  bool clearing = false;
  const auto put = [&](int code) {
    writer.Put(code, codeBits);
    if (nextFree > maxCode || clearing) {
      if (clearing) {
        codeBits = initBits + 1;
        maxCode = (1 << codeBits) - 1;
        clearing = false;
      } else {
        ++codeBits;
        maxCode = codeBits == kMaxBits ? kMaxCodes : (1 << codeBits) - 1;
      }
    }
  };
  put(clearCode);
  int current = -1;
  for (const int y : rows) {
    const unsigned char* row = y < height ? image.pixels[y] : nullptr;
    for (int x = 0; x < width; ++x) {
      const int pixel = row != nullptr ? row[x] : 0;
      if (current < 0) {
        current = pixel;
        continue;
      }
      const std::int32_t key = (pixel << kMaxBits) + current;
      int slot = (pixel << kShift) ^ current;
      if (keys[slot] == key) {
        current = codes[slot];
        continue;
      }
      if (keys[slot] >= 0) {
        const int step = slot == 0 ? 1 : kSlots - slot;
        bool found = false;
        do {
          slot -= step;
          if (slot < 0) slot += kSlots;
          if (keys[slot] == key) {
            found = true;
            break;
          }
        } while (keys[slot] > 0);
        if (found) {
          current = codes[slot];
          continue;
        }
      }
      put(current);
      current = pixel;
      if (nextFree < kMaxCodes) {
        codes[slot] = static_cast<std::uint16_t>(nextFree++);
        keys[slot] = key;
      } else {
        std::fill(keys.begin(), keys.end(), -1);
        nextFree = firstFree;
        clearing = true;
        put(clearCode);
      }
    }
  }
  if (current >= 0) put(current);
  put(endCode);
  writer.Finish();
  out.push_back(0);
  out.push_back(';');
  return out;
}

}  // namespace tlw
