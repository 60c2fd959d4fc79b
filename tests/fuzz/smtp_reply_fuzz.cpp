// The input is what an SMTP server sends in answer to one command,
// received in pieces into the client's reply buffer as the client does:
// the reply ends once it is complete or the buffer is full.

#include <algorithm>
#include <array>

#include "fuzz/fuzz_support.h"
#include "mail/smtp_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = tlw::fuzz::AsText(data, size);
  // The first byte sets the size of the pieces.
  std::size_t piece = 1;
  if (!input.empty()) {
    piece = static_cast<unsigned char>(input.front()) % 64 + 1;
    input.remove_prefix(1);
  }
  std::array<char, 1000> buffer;  // the client's reply buffer
  std::size_t length = 0;
  while (!input.empty() && length < buffer.size() - 1) {
    const std::size_t n = std::min({piece, input.size(), buffer.size() - 1 - length});
    std::copy_n(input.data(), n, buffer.data() + length);
    input.remove_prefix(n);
    length += n;
    if (tlw::SmtpReplyComplete(std::string_view(buffer.data(), length))) break;
  }
  const std::string_view received(buffer.data(), length);
  const tlw::SmtpReply reply = tlw::ReadSmtpReply(received);
  TLW_FUZZ_CHECK(received.starts_with(reply.text));
  TLW_FUZZ_CHECK(reply.code > -100 && reply.code < 1000);
  (void)tlw::fuzz::Touch(reply.text);
  return 0;
}
