#pragma once

// The controls and conversions that more than one page of the Website
// Profile sheet builds on. Only the pages include this.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QVBoxLayout;
class QWidget;

namespace tlw::ui::sheet_pages {

inline QString Text(const std::string& text) { return QString::fromStdString(text); }
inline std::string Std(const QString& text) { return text.toStdString(); }
inline QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Calls `action` whenever `widget` loses the keyboard focus.
class FocusOutFilter final : public QObject {
 public:
  FocusOutFilter(QWidget* widget, std::function<void()> action);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> action_;
};

// The folder a Browse dialog starts in: that of the path typed so far.
QString FolderOf(const QString& path);

// Whether `path` names no file: empty, or ending in a folder separator.
bool IsInvalidFilename(const QString& path);

// A date or time picker over a stored time: the picker shows local time.
QDateTimeEdit* MakePicker(QWidget* parent, const QString& format);

// Sets the picker to the stored time `value`; what the picker then shows.
QDateTime ShowTime(QDateTimeEdit* picker, std::int64_t value);

// The picker's time, or the stored one to the second while it shows that.
std::int64_t PickedTime(const QDateTimeEdit* picker, const QDateTime& shown, std::int64_t stored);

// Inserts `text` into a sorted list at its place (ignoring case); its index.
int InsertSorted(QComboBox* combo, const QString& text);

// The server, user and password rows that the Log File and Output pages
// show for a remote location; their labels and edits join `controls`, which
// the page shows only while the location is remote.
void AddFtpLogin(QWidget* page, QVBoxLayout& layout, std::array<QLineEdit*, 3> edits,
                 std::vector<QWidget*>& controls);

}  // namespace tlw::ui::sheet_pages
