#include "geo/geoip_countries.h"

#include <GeoIP.h>
#include <arpa/inet.h>
#include <maxminddb.h>
#include <netinet/in.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace tlw {
namespace {

namespace fs = std::filesystem;

// Networks whose addresses are in no country: this host, private networks,
// shared address space, loopback, link-local, documentation and benchmark
// networks, multicast and reserved. A database may still list some of them.
struct Network4 {
  std::uint32_t base;
  int bits;
};
constexpr std::array<Network4, 13> kNotPublic4{{{0x00000000, 8},
                                                {0x0A000000, 8},
                                                {0x64400000, 10},
                                                {0x7F000000, 8},
                                                {0xA9FE0000, 16},
                                                {0xAC100000, 12},
                                                {0xC0000000, 24},
                                                {0xC0000200, 24},
                                                {0xC0A80000, 16},
                                                {0xC6120000, 15},
                                                {0xC6336400, 24},
                                                {0xCB007100, 24},
                                                {0xE0000000, 3}}};

// The same for IPv6, by prefix: unspecified and loopback (::/127),
// unique local (fc00::/7), link-local (fe80::/10), multicast (ff00::/8),
// documentation (2001:db8::/32).
struct Network6 {
  std::array<std::uint8_t, 4> prefix;
  int bits;
};
constexpr std::array<Network6, 4> kNotPublic6{{{{0xFC, 0, 0, 0}, 7},
                                               {{0xFE, 0x80, 0, 0}, 10},
                                               {{0xFF, 0, 0, 0}, 8},
                                               {{0x20, 0x01, 0x0D, 0xB8}, 32}}};

struct Address {
  bool v6 = false;
  std::uint32_t v4 = 0;  // host byte order
  in6_addr six{};
};

std::optional<Address> ParseAddress(std::string_view text) {
  std::array<char, INET6_ADDRSTRLEN + 1> buffer{};
  if (text.empty() || text.size() >= buffer.size()) return std::nullopt;
  std::memcpy(buffer.data(), text.data(), text.size());
  Address address;
  in_addr v4{};
  if (inet_pton(AF_INET, buffer.data(), &v4) == 1) {
    address.v4 = ntohl(v4.s_addr);
    return address;
  }
  if (inet_pton(AF_INET6, buffer.data(), &address.six) != 1) return std::nullopt;
  // Dual-stack servers write IPv4 clients as ::ffff:a.b.c.d.
  if (IN6_IS_ADDR_V4MAPPED(&address.six)) {
    const std::uint8_t* bytes = address.six.s6_addr;
    address.v4 = (std::uint32_t{bytes[12]} << 24) | (std::uint32_t{bytes[13]} << 16) |
                 (std::uint32_t{bytes[14]} << 8) | std::uint32_t{bytes[15]};
    return address;
  }
  address.v6 = true;
  return address;
}

bool IsPublic(const Address& address) {
  if (!address.v6) {
    for (const Network4& network : kNotPublic4) {
      const std::uint32_t mask = ~std::uint32_t{0} << (32 - network.bits);
      if ((address.v4 & mask) == network.base) return false;
    }
    return true;
  }
  const std::uint8_t* bytes = address.six.s6_addr;
  bool upToLastZero = true;  // ::/127: every byte but the last zero, the last 0 or 1
  for (int i = 0; i < 15; ++i) upToLastZero = upToLastZero && bytes[i] == 0;
  if (upToLastZero && bytes[15] <= 1) return false;
  for (const Network6& network : kNotPublic6) {
    std::uint32_t prefix = 0;
    std::uint32_t start = 0;
    for (int i = 0; i < 4; ++i) {
      prefix = (prefix << 8) | network.prefix[i];
      start = (start << 8) | bytes[i];
    }
    const std::uint32_t mask = ~std::uint32_t{0} << (32 - network.bits);
    if ((start & mask) == (prefix & mask)) return false;
  }
  return true;
}

// Opens one of Debian's databases, memory-mapped and without messages on
// the standard error; null when it is missing or of another edition.
GeoIP* OpenDebianDatabase(const fs::path& file, unsigned char edition) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) return nullptr;
  GeoIP* database = GeoIP_open(file.c_str(), GEOIP_MMAP_CACHE | GEOIP_SILENCE);
  if (database != nullptr && GeoIP_database_edition(database) != edition) {
    GeoIP_delete(database);
    database = nullptr;
  }
  return database;
}

// Opens `file` into `mmdb`; fails with what is wrong with the file.
Status OpenMmdb(const std::string& file, MMDB_s& mmdb) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) {
    return Status::Error("The GeoIP database " + file + " does not exist");
  }
  if (const int status = MMDB_open(file.c_str(), MMDB_MODE_MMAP, &mmdb); status != MMDB_SUCCESS) {
    return Status::Error("The GeoIP database " + file +
                         " cannot be read: " + MMDB_strerror(status));
  }
  return Status::Ok();
}

}  // namespace

Status CheckMmdbDatabase(const std::string& mmdbFile) {
  MMDB_s mmdb{};
  Status opened = OpenMmdb(mmdbFile, mmdb);
  if (opened.ok()) MMDB_close(&mmdb);
  return opened;
}

struct GeoIpCountries::Databases {
  Databases() = default;
  Databases(const Databases&) = delete;
  Databases& operator=(const Databases&) = delete;
  ~Databases() {
    if (mmdbOpen) MMDB_close(&mmdb);
    if (debian4 != nullptr) GeoIP_delete(debian4);
    if (debian6 != nullptr) GeoIP_delete(debian6);
  }

  MMDB_s mmdb{};
  bool mmdbOpen = false;
  GeoIP* debian4 = nullptr;
  GeoIP* debian6 = nullptr;
};

GeoIpCountries::GeoIpCountries(GeoIpSources sources) : sources_(std::move(sources)) {}

GeoIpCountries::~GeoIpCountries() = default;

void GeoIpCountries::Open() {
  databases_ = std::make_unique<Databases>();
  Databases& databases = *databases_;
  const std::string fallback = "; countries of addresses come from Debian's GeoIP database instead";
  if (!sources_.mmdbFile.empty()) {
    Status opened = OpenMmdb(sources_.mmdbFile, databases.mmdb);
    if (opened.ok()) {
      databases.mmdbOpen = true;
      return;
    }
    warnings_.push_back(opened.message() + fallback);
  }
  const fs::path folder = sources_.debianFolder;
  databases.debian4 = OpenDebianDatabase(folder / "GeoIP.dat", GEOIP_COUNTRY_EDITION);
  databases.debian6 = OpenDebianDatabase(folder / "GeoIPv6.dat", GEOIP_COUNTRY_EDITION_V6);
  if (databases.debian4 == nullptr && databases.debian6 == nullptr) {
    warnings_.push_back("No GeoIP country database in " + folder.string() +
                        " (the geoip-database package): addresses count under no country");
  }
}

std::string_view GeoIpCountries::CountryOf(std::string_view text) {
  const std::optional<Address> address = ParseAddress(text);
  if (!address || !IsPublic(*address)) return {};
  if (databases_ == nullptr) Open();
  const Databases& databases = *databases_;
  const char* code = nullptr;
  if (databases.mmdbOpen) {
    sockaddr_in in4{};
    sockaddr_in6 in6{};
    const sockaddr* socket = nullptr;
    if (address->v6) {
      in6.sin6_family = AF_INET6;
      in6.sin6_addr = address->six;
      socket = reinterpret_cast<const sockaddr*>(&in6);
    } else {
      in4.sin_family = AF_INET;
      in4.sin_addr.s_addr = htonl(address->v4);
      socket = reinterpret_cast<const sockaddr*>(&in4);
    }
    int error = MMDB_SUCCESS;
    MMDB_lookup_result_s found = MMDB_lookup_sockaddr(&databases.mmdb, socket, &error);
    MMDB_entry_data_s data{};
    if (error == MMDB_SUCCESS && found.found_entry &&
        MMDB_get_value(&found.entry, &data, "country", "iso_code", nullptr) == MMDB_SUCCESS &&
        data.has_data && data.type == MMDB_DATA_TYPE_UTF8_STRING && data.data_size == 2) {
      code_[0] = data.utf8_string[0];
      code_[1] = data.utf8_string[1];
      return {code_, 2};
    }
    return {};
  }
  int id = 0;
  if (address->v6 && databases.debian6 != nullptr) {
    id = GeoIP_id_by_ipnum_v6(databases.debian6, address->six);
  } else if (!address->v6 && databases.debian4 != nullptr) {
    id = GeoIP_id_by_ipnum(databases.debian4, address->v4);
  }
  if (id > 0) code = GeoIP_code_by_id(id);
  if (code == nullptr || std::strlen(code) != 2) return {};
  code_[0] = code[0];
  code_[1] = code[1];
  return {code_, 2};
}

}  // namespace tlw
