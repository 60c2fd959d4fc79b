#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "base/result.h"
#include "settings/field_kind.h"

namespace tlw {

// The value of one field of any kind: a text, a signed number (flags, counts
// and times) or an unsigned byte count (sizes).
using FieldValue = std::variant<FieldText, std::int64_t, std::uint64_t>;

// Reads a field value typed by a user. Flags are 0 or 1; counts are signed
// 32-bit decimals; sizes are unsigned decimals; times are plain seconds
// since 1970 or a local date and time "YYYY-MM-DD[THH:MM[:SS]]" (a space
// may stand for the T). `fileBound` limits times to the signed 32 bits the
// settings file holds, so that a saved time never changes on saving. Fails
// with a message that names `field` (when given) and says what was expected.
Result<FieldValue> ParseFieldValue(FieldKind kind, std::string_view text, bool fileBound,
                                   std::string_view field = {});

// The text form of a value: texts as they are, numbers (times included, as
// seconds since 1970) in decimal.
std::string FieldValueText(const FieldValue& value);

// Seconds since 1970 of a local date "YYYY-MM-DD[THH:MM[:SS]]"; fails for
// anything else, including dates that do not exist such as 2023-02-30.
Result<std::int64_t> ParseLocalDateTime(std::string_view text);

}  // namespace tlw
