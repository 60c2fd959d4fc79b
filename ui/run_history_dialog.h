#pragma once

#include <QDialog>
#include <vector>

#include "frontend/run_history.h"

class QTreeWidget;

namespace tlw::ui {

// The last runs of one site, newest first: start, time taken, outcome and
// message. Only shows; the history is read by the site list.
class RunHistoryDialog : public QDialog {
  Q_OBJECT

 public:
  RunHistoryDialog(const QString& site, const std::vector<RunRecord>& runs,
                   QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }

 private:
  QTreeWidget* list_ = nullptr;
};

}  // namespace tlw::ui
