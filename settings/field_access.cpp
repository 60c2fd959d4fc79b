#include "settings/field_access.h"

#include <array>
#include <span>
#include <type_traits>
#include <variant>

namespace tlw {
namespace {

FieldValue ToValue(const FieldText& value) { return value; }
FieldValue ToValue(FieldInt value) { return std::int64_t{value}; }
FieldValue ToValue(FieldTime value) { return value; }
FieldValue ToValue(FieldSize value) { return value; }

// Converts a value that ParseFieldValue produced for the field's kind back
// to the field's own type; the range was checked while parsing.
template <typename T>
T FromValue(const FieldValue& value) {
  if constexpr (std::is_same_v<T, FieldText>) {
    return std::get<FieldText>(value);
  } else if constexpr (std::is_same_v<T, FieldSize>) {
    return std::get<std::uint64_t>(value);
  } else {
    return static_cast<T>(std::get<std::int64_t>(value));
  }
}

template <typename Object>
struct FieldAccessor {
  FieldInfo info;
  FieldValue (*get)(const Object&);
  void (*set)(Object&, const FieldValue&);
};

// `Object` is a type, which cannot be bracketed.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define TLW_ACCESSOR(Object, kind, name, Name, def, saved)                                \
  FieldAccessor<Object>{FieldInfo{#name, field_column::kind::kKind, saved},               \
                        [](const Object& object) { return ToValue(object.Get##Name()); }, \
                        [](Object& object, const FieldValue& v) {                         \
                          object.Set##Name(FromValue<field_column::kind::Value>(v));      \
                        }},
// NOLINTEND(bugprone-macro-parentheses)

#define TLW_PROFILE_ACCESSOR(kind, name, Name, def, saved) \
  TLW_ACCESSOR(CSiteProfile, kind, name, Name, def, saved)
#define TLW_SETTINGS_ACCESSOR(kind, name, Name, def, saved) \
  TLW_ACCESSOR(CSettings, kind, name, Name, def, saved)

const std::array kProfileAccessors{TLW_SITE_PROFILE_FIELDS(TLW_PROFILE_ACCESSOR)};
const std::array kSettingsAccessors{TLW_SETTINGS_FIELDS(TLW_SETTINGS_ACCESSOR)};

#undef TLW_SETTINGS_ACCESSOR
#undef TLW_PROFILE_ACCESSOR
#undef TLW_ACCESSOR

template <typename Object>
const FieldAccessor<Object>* Find(std::span<const FieldAccessor<Object>> table,
                                  std::string_view name) {
  for (const auto& accessor : table) {
    if (name == accessor.info.name) return &accessor;
  }
  return nullptr;
}

Status UnknownField(std::string_view name) {
  return Status::Error("unknown field '" + std::string(name) + "'");
}

template <typename Object>
Result<FieldValue> Get(std::span<const FieldAccessor<Object>> table, const Object& object,
                       std::string_view name) {
  const auto* accessor = Find(table, name);
  if (accessor == nullptr) return UnknownField(name);
  return accessor->get(object);
}

template <typename Object>
Status SetFromText(std::span<const FieldAccessor<Object>> table, Object& object,
                   std::string_view name, std::string_view text) {
  const auto* accessor = Find(table, name);
  if (accessor == nullptr) return UnknownField(name);
  Result<FieldValue> value =
      ParseFieldValue(accessor->info.kind, text, accessor->info.saved, accessor->info.name);
  if (!value.ok()) return value.status();
  accessor->set(object, *value);
  return Status::Ok();
}

}  // namespace

const FieldInfo* FindProfileField(std::string_view name) {
  const auto* accessor = Find<CSiteProfile>(kProfileAccessors, name);
  return accessor != nullptr ? &accessor->info : nullptr;
}

const FieldInfo* FindSettingsField(std::string_view name) {
  const auto* accessor = Find<CSettings>(kSettingsAccessors, name);
  return accessor != nullptr ? &accessor->info : nullptr;
}

Result<FieldValue> GetProfileField(const CSiteProfile& profile, std::string_view name) {
  return Get<CSiteProfile>(kProfileAccessors, profile, name);
}

Result<FieldValue> GetSettingsField(const CSettings& settings, std::string_view name) {
  return Get<CSettings>(kSettingsAccessors, settings, name);
}

Status SetProfileFieldFromText(CSiteProfile& profile, std::string_view name,
                               std::string_view text) {
  return SetFromText<CSiteProfile>(kProfileAccessors, profile, name, text);
}

Status SetSettingsFieldFromText(CSettings& settings, std::string_view name, std::string_view text) {
  return SetFromText<CSettings>(kSettingsAccessors, settings, name, text);
}

}  // namespace tlw
