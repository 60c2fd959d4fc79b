// Temporary stand-ins so callers link while the rules are written.
#include "stats/agent_rules.h"
#include "stats/host_rules.h"
#include "stats/referrer_rules.h"

namespace tlw {

std::string SearchPhrase(std::string_view) { return {}; }
ReferrerFacts ClassifyReferrer(std::string_view, std::string_view) { return {}; }
AgentFacts DescribeAgent(std::string_view, bool) { return {}; }
HostFacts ClassifyHost(std::string_view) { return {}; }
std::vector<std::pair<std::string, std::string>> LoadCountryNames(const std::filesystem::path&) {
  return {};
}

}  // namespace tlw
