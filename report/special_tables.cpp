#include "report/special_tables.h"

#include "stats/log_numbers.h"

namespace tlw {
namespace {

struct FileType {
  std::string_view extension;
  std::string_view description;
};

constexpr FileType kFileTypes[] = {
    {".HTML", "[document] (HyperText Markup Language)"},
    {".HTM", "[document] (HyperText Markup Language)"},
    {".TEXT", "[document] (Text file)"},
    {".TXT", "[document] (Text file)"},
    {".ASP", "[document] (Active Server Page)"},
    {".DOC", "[document] (Microsoft Office Word)"},
    {".PS", "[document] (PostScript)"},
    {".RTF", "[document] (Rich Text Format)"},
    {".XLS", "[document] (Microsoft Office Excel)"},
    {".GIF", "[graphics] (Graphics Interchange Format)"},
    {".PSD", "[graphics] (Photoshop Format)"},
    {".XBM", "[graphics] (X Bit Map icon)"},
    {".BMP", "[graphics] (Windows Bit Map)"},
    {".DIB", "[graphics] (Device Independent Bitmap)"},
    {".JPG", "[graphics] (Joint Photographics Experts Group)"},
    {".JPEG", "[graphics] (Joint Photographics Experts Group)"},
    {".ZIP", "[compressed] (ZIP file)"},
    {".RAR", "[compressed] (RAR file)"},
    {".ARJ", "[compressed] (ARJ file)"},
    {".LZH", "[compressed] (LZH file)"},
    {".TAR", "[compressed] (Tape ARchive)"},
    {".GZIP", "[compressed] (GZip file)"},
    {".GZ", "[compressed] (GZip file)"},
    {".TIFF", "[graphics] (Tagged Interchangeable File Format)"},
    {".TIF", "[graphics] (Tagged Interchangeable File Format)"},
    {".PL", "[program] (Perl code)"},
    {".PERL", "[program] (Perl code)"},
    {".CPP", "[document] (C code)"},
    {".C", "[document] (C code)"},
    {".H", "[document] (Header file)"},
    {".CGI", "[program] (Common Gateway Interface)"},
    {".DLL", "[program] (Dynamic Linked Library)"},
    {".NFO", "[document] (iNFO file)"},
    {".CLASS", "[program] (Java class)"},
    {".JAVA", "[document] (Java source code)"},
    {".JS", "[document] (JavaScript source code)"},
    {".CSS", "[document] (Cascading Style Sheet)"},
    {".EXE", "[program] (Executable file)"},
    {".COM", "[program] (Executable file)"},
    {".RA", "[audio] (Real Audio)"},
    {".MP3", "[audio] (MPEG Layer 3 Audio)"},
    {".WAV", "[audio] (RIFF WAVE Audio Format)"},
    {".MP4", "[audio] (MPEG Layer 4 Audio)"},
    {".AU", "[audio] (Sun Audio file)"},
    {".AIF", "[audio] "},
    {".AIFF", "[audio] "},
    {".MID", "[audio] (Musical Instrument Digital Interface)"},
    {".MIDI", "[audio] (Musical Instrument Digital Interface)"},
    {".MPG", "[video] (MPEG Motion Picture JPEG)"},
    {".MPEG", "[video] (MPEG Motion Picture JPEG)"},
    {".QT", "[video] (Quicktime Movie)"},
    {".MOV", "[video] (Quicktime Movie)"},
    {".AVI", "[video] (Movie)"},
};

struct StatusCode {
  int code;
  std::string_view text;
};

constexpr StatusCode kStatusCodes[] = {
    {200, ": OK - Request completed"},
    {201, ": Object created"},
    {202, ": Asynchronous completion"},
    {203, ": Partial completion"},
    {204, ": No information to return"},
    {300, ": Server couldn't decide what to return"},
    {301, ": Object permanently moved"},
    {302, ": Object temporarily moved"},
    {303, ": Redirection w/ new access method"},
    {304, ": Cached reload"},
    {400, ": Invalid syntax"},
    {401, ": Access denied"},
    {402, ": Payment required"},
    {403, ": Request forbidden"},
    {404, ": Object not found"},
    {405, ": Method is not allowed"},
    {406, ": No response acceptable to client found"},
    {407, ": Proxy authentication required"},
    {408, ": Server timed out waiting for request"},
    {409, ": User should resubmit with more information"},
    {410, ": The resource is no longer available"},
    {411, ": Couldn't authorize client"},
    {500, ": Internal server error"},
    {501, ": Required not supported"},
    {502, ": Error response received from gateway"},
    {503, ": Temporarily overloaded"},
    {504, ": Request timed out waiting for gateway to respond"},
};

}  // namespace

std::string_view FileTypeDescription(std::string_view key) {
  for (const FileType& type : kFileTypes) {
    if (type.extension == key) return type.description;
  }
  return {};
}

std::string_view StatusText(std::string_view key) {
  const std::int64_t code = ReadLogNumber(key);
  for (const StatusCode& status : kStatusCodes) {
    if (status.code == code) return status.text;
  }
  return ": Unknown response";
}

std::string_view StatusFontTag(std::string_view key) {
  if (key.empty()) return {};
  switch (key.front()) {
    case '4':
    case '5':
      return "<FONT COLOR=#FF0000>";
    case '3':
      return "<FONT COLOR=#CC6600>";
    case '2':
      return "<FONT COLOR=#1E960B>";
    default:
      return {};
  }
}

}  // namespace tlw
