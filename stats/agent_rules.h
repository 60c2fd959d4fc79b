#pragma once

#include <string>
#include <string_view>

namespace tlw {

// What one user-agent text contributes to the statistics.
struct AgentFacts {
  std::string browser;   // key for `browsers`; empty: not counted
  std::string platform;  // key for `platforms`; empty: not counted
};

// Names the browser and the operating system of a user agent. `w3cLog` is
// true for agents read from a W3C extended log, which writes blanks as "+".
// Pure: callers may keep the result per distinct agent text.
AgentFacts DescribeAgent(std::string_view agent, bool w3cLog);

}  // namespace tlw
