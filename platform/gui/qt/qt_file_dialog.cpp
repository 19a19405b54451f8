// The Qt window system: the open dialog. Qt's own dialog (the same on every desktop),
// which also takes folders and names typed several at a time.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTreeView>

#include "platform/gui/qt/qt_gui_impl.h"
#include "platform/gui/qt/qt_widgets.h"

namespace zen::gui {
namespace {

QString ToQ(std::u16string_view text) { return QString::fromStdU16String(std::u16string(text)); }

// Qt's dialog in its own hands drops typed names it cannot show (those the filter hides)
// and cannot choose a folder. This one returns every name typed or selected: files whatever
// their type (the list says which it refuses) and folders (the list adds their pictures).
// Double-clicking a folder, or a typed name ending in "/", still opens it.
class ImageFileDialog final : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  QStringList Chosen() const { return chosen_; }

  void accept() override {
    QLineEdit* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString typed = edit ? edit->text().trimmed() : QString();
    QStringList names = TypedNames(typed);
    const QString shown = QDir::cleanPath(directory().absolutePath());
    for (const QString& selected : selectedFiles()) {
      // The folder shown can still be selected from the folder above, where completing a
      // typed "name/" selected it; the user did not choose it, so Open never adds all its
      // pictures that way (typed, it is taken).
      if (QDir::cleanPath(selected) == shown) continue;
      if (!names.contains(selected)) names << selected;
    }
    if (names.isEmpty()) return;
    if (names.size() == 1 && typed.endsWith(u'/') && QFileInfo(names.front()).isDir()) {
      setDirectory(names.front());
      if (edit) edit->clear();
      return;
    }
    for (const QString& name : names) {
      if (QFileInfo::exists(name)) continue;
      QMessageBox::warning(this, windowTitle(),
                           QString::fromUtf8("파일을 찾을 수 없습니다.\n") + QFileInfo(name).fileName());
      return;
    }
    chosen_ = names;
    done(QDialog::Accepted);
  }

 private:
  // Names in the file-name box: one name, or several in double quotes; relative names lie
  // in the folder shown.
  QStringList TypedNames(const QString& typed) const {
    QStringList names;
    if (typed.isEmpty()) return names;
    QStringList parts;
    if (typed.contains(u'"')) {
      const QStringList tokens = typed.split(u'"');
      for (qsizetype i = 1; i < tokens.size(); i += 2) parts << tokens[i];
    } else {
      parts << typed;
    }
    for (const QString& part : parts) {
      if (part.trimmed().isEmpty()) continue;
      const QString path = QDir::cleanPath(directory().absoluteFilePath(QDir::fromNativeSeparators(part)));
      if (!names.contains(path)) names << path;
    }
    return names;
  }

  QStringList chosen_;
};

// Room for the name, size, type and date columns side by side.
void GiveColumnsRoom(QFileDialog& dialog) {
  dialog.resize(760, 480);
  if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* header = view->header();
    const int widths[] = {300, 90, 110, 160};  // name, size, type, date
    for (int column = 0; column < 4; ++column) header->resizeSection(column, widths[column]);
  }
}

}  // namespace

QStringList NameFiltersFromText(std::u16string_view filter) {
  const QStringList parts = ToQ(filter).split(QStringLiteral(" | "));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QChar(u';'), Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      if (trimmed.isEmpty()) continue;
      patterns << trimmed;
      // File names on Linux are case-sensitive; PHOTO.JPG must be offered too.
      if (trimmed.toUpper() != trimmed) patterns << trimmed.toUpper();
    }
    if (!patterns.isEmpty()) filters << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QChar(u' ')) + u')';
  }
  return filters;
}

std::vector<std::u16string> QtGui::OpenFilesDialog(std::u16string_view title, std::u16string_view filter,
                                                   bool multiple) {
  QPointer<QWidget> previous = FrontWindow();
  ImageFileDialog dialog(previous, ToQ(title));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setDirectory(open_dialog_folder_.isEmpty() ? QDir::homePath() : open_dialog_folder_);
  const QStringList filters = NameFiltersFromText(filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
  }
  GiveColumnsRoom(dialog);
  std::vector<std::u16string> chosen;
  if (dialog.exec() == QDialog::Accepted) {
    for (const QString& path : dialog.Chosen()) chosen.push_back(path.toStdU16String());
    if (!multiple && chosen.size() > 1) chosen.resize(1);
    open_dialog_folder_ = dialog.directory().absolutePath();
  }
  Reactivate(previous);
  return chosen;
}

}  // namespace zen::gui
