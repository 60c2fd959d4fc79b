#include "stats/host_rules.h"

#include <array>
#include <fstream>

namespace tlw {
namespace {

constexpr std::string_view kUnresolvedKey = "(UNRESOLVED HOSTS)";

// Generic top-level domains are counted as the United States.
constexpr std::array<std::string_view, 6> kGenericDomains{"NET",  "GOV", "COM",
                                                          "ARPA", "EDU", "ORG"};

// Codes of GeoIP databases that name no country.
constexpr std::array<std::string_view, 7> kNoCountryCodes{"EU", "AP", "A1", "A2", "O1", "ZZ", "XX"};

// Only this many characters of a country table line are looked at.
constexpr size_t kCountryLineLimit = 99;

bool StartsWithDigit(std::string_view text) {
  return !text.empty() && text.front() >= '0' && text.front() <= '9';
}

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// The last label of a host name and the one before it, empty pieces (as in
// "a..b" or a trailing ".") skipped.
void LastTwoLabels(std::string_view host, std::string_view& previous, std::string_view& last) {
  size_t end = host.size();
  std::string_view* slot = &last;
  while (end > 0 && slot != nullptr) {
    const size_t dot = host.rfind('.', end - 1);
    const size_t start = dot == std::string_view::npos ? 0 : dot + 1;
    if (start < end) {
      *slot = host.substr(start, end - start);
      slot = slot == &last ? &previous : nullptr;
    }
    if (dot == std::string_view::npos) break;
    end = dot;
  }
}

// Cuts "CODE Name,anything" into code and name: the code ends at the first
// blank (leading blanks skipped), the name runs from there to the first ",".
std::pair<std::string_view, std::string_view> CodeAndName(std::string_view line) {
  const size_t codeStart = line.find_first_not_of(' ');
  if (codeStart == std::string_view::npos) return {};
  const size_t codeEnd = line.find(' ', codeStart);
  const std::string_view code = line.substr(codeStart, codeEnd - codeStart);
  if (codeEnd == std::string_view::npos) return {code, {}};
  std::string_view rest = line.substr(codeEnd + 1);
  const size_t nameStart = rest.find_first_not_of(',');
  if (nameStart == std::string_view::npos) return {code, {}};
  rest.remove_prefix(nameStart);
  return {code, rest.substr(0, rest.find(','))};
}

}  // namespace

HostFacts ClassifyHost(std::string_view hostKey) {
  HostFacts facts;
  std::string_view previous;
  std::string_view last;
  LastTwoLabels(hostKey, previous, last);

  facts.domain.reserve(previous.size() + 1 + last.size());
  facts.domain.append(previous).append(".").append(last);

  // A host written as an address has no organisation and no country. IPv6
  // addresses are recognised by their ":", which no host name holds; an
  // IPv4 address by its organisation domain beginning with a digit.
  const bool isAddress = hostKey.find(':') != std::string_view::npos;
  const bool unresolved = isAddress || StartsWithDigit(hostKey);
  facts.countryKey = unresolved ? std::string(kUnresolvedKey) : UpperCase(last);
  for (std::string_view generic : kGenericDomains) {
    if (facts.countryKey == generic) facts.countryKey = "US";
  }

  facts.countDomain = !isAddress && facts.domain.size() > 2 && !StartsWithDigit(facts.domain) &&
                      !StartsWithDigit(facts.countryKey);
  facts.countCountry = facts.countDomain && facts.countryKey.size() == 2;
  facts.address = unresolved && !facts.countDomain;
  return facts;
}

std::string CountryKeyOfIsoCode(std::string_view isoCode) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (isoCode.size() != 2 || !letter(isoCode[0]) || !letter(isoCode[1])) return {};
  std::string key = UpperCase(isoCode);
  for (std::string_view none : kNoCountryCodes) {
    if (key == none) return {};
  }
  if (key == "GB") key = "UK";
  return key;
}

std::vector<std::pair<std::string, std::string>> LoadCountryNames(
    const std::filesystem::path& file) {
  std::vector<std::pair<std::string, std::string>> names;
  std::ifstream in(file, std::ios::binary);
  if (!in) return names;

  std::string line;
  std::getline(in, line);  // the header line is never data
  while (std::getline(in, line)) {
    std::string_view view(line);
    // A table written on Windows ends its lines with CR LF.
    if (view.ends_with('\r')) view.remove_suffix(1);
    view = view.substr(0, kCountryLineLimit);
    const auto [code, name] = CodeAndName(view);
    // A line without a code matches nothing; one without a name would turn
    // its country's row into an empty label, so the code is kept instead.
    if (code.empty() || name.empty()) continue;
    names.emplace_back(code, name);
  }
  return names;
}

}  // namespace tlw
