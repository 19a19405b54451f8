// The Qt window system: making controls, and their texts, states, items and images.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>

#include "platform/gui/qt/qt_gui_impl.h"
#include "platform/gui/qt/qt_strip.h"

namespace zen::gui {
namespace {

constexpr int ComboInset = 4;

QString ToQ(std::u16string_view text) { return QString::fromStdU16String(std::u16string(text)); }

// Buttons and boxes read "&" as a mnemonic marker; our labels mean the character.
QString Literal(std::u16string_view text) { return ToQ(text).replace(QChar(u'&'), QStringLiteral("&&")); }

Qt::Alignment ToQt(Align align) {
  switch (align) {
    case Align::Centre: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

}  // namespace

QtGui::ControlRecord* QtGui::Find(ControlId id) {
  auto it = controls_.find(id);
  if (it == controls_.end() || !it->second.widget) return nullptr;
  return &it->second;
}

QWidget* QtGui::ControlWidget(ControlId id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second.widget.data();
}

void QtGui::ConnectPressed(ControlId id, QWidget* widget) {
  auto* button = static_cast<QAbstractButton*>(widget);
  QObject::connect(button, &QAbstractButton::clicked, button,
                   [this, id] { PushControlEvent(id, EventSubtype::Pressed); });
}

QWidget* QtGui::MakeEntry(ControlId id, QWidget* parent, const ControlOptions& options) {
  auto* edit = new QLineEdit(parent);
  const int length = options.max_length > 0 ? options.max_length : 32767;
  // A pattern, not QIntValidator: that one follows the locale and accepts signs.
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(length)), edit));
  edit->setMaxLength(length);
  QObject::connect(edit, &QLineEdit::textEdited, edit, [this, id] { PushControlEvent(id, EventSubtype::Changed); });
  focus_reporter_->Watch(edit, id);
  return edit;
}

QWidget* QtGui::MakeCombo(ControlId id, QWidget* parent, bool editable) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(editable);
  if (editable) {
    combo->setInsertPolicy(QComboBox::NoInsert);  // Return must not add the text as an item
    combo->setCompleter(nullptr);                 // no inline completion while typing
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                     [this, id] { PushControlEvent(id, EventSubtype::Changed); });
  }
  QObject::connect(combo, qOverload<int>(&QComboBox::activated), combo,
                   [this, id] { PushControlEvent(id, EventSubtype::Changed); });
  focus_reporter_->Watch(combo, id);
  return combo;
}

QWidget* QtGui::MakeList(ControlId id, QWidget* parent, WindowId window) {
  auto* tree = new DropTree(parent, [this, id, window](std::u16string paths) {
    Push(Event{EventKind::Drop, window, id, EventSubtype::None, std::move(paths)});
  });
  tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tree->setRootIsDecorated(false);
  tree->setUniformRowHeights(true);
  tree->setItemsExpandable(false);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree->setSortingEnabled(false);
  tree->setIconSize(QSize(8, 8));
  tree->header()->setSectionsMovable(false);
  tree->header()->setStretchLastSection(false);
  return tree;
}

QWidget* QtGui::MakeImageButton(ControlId id, ControlRecord& record, QWidget* parent, Rect geometry) {
  // The box clips the button's rim: the button is 2 points larger on every side.
  auto* box = new QWidget(parent);
  auto* button = new QPushButton(box);
  button->setGeometry(-2, -2, geometry.width + 4, geometry.height + 4);
  button->setFocusPolicy(Qt::NoFocus);
  button->setIconSize(QSize(8, 8));
  ConnectPressed(id, button);
  record.inner = button;
  return box;
}

QWidget* QtGui::MakeOption(ControlId id, ControlRecord& record, QWidget* parent, WindowId window) {
  auto* option = new QRadioButton(parent);
  // Consecutive options of a window form one group.
  ControlRecord* previous = Find(last_created_);
  if (previous && previous->window == window && previous->kind == ControlKind::Option && previous->group) {
    record.group = previous->group;
  } else {
    record.group = new QButtonGroup(option);
    record.group->setExclusive(true);
  }
  record.group->addButton(option);
  ConnectPressed(id, option);
  return option;
}

QWidget* QtGui::MakeWidget(ControlId id, ControlRecord& record, QWidget* parent, Rect geometry,
                           std::u16string_view label, const ControlOptions& options) {
  switch (record.kind) {
    case ControlKind::Image: return new ImageView(parent);
    case ControlKind::List: return MakeList(id, parent, record.window);
    case ControlKind::Frame: return new QGroupBox(Literal(label), parent);
    case ControlKind::Option: {
      QWidget* option = MakeOption(id, record, parent, record.window);
      static_cast<QRadioButton*>(option)->setText(Literal(label));
      return option;
    }
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox(Literal(label), parent);
      ConnectPressed(id, box);
      return box;
    }
    case ControlKind::Text: {
      auto* text = new QLabel(ToQ(label), parent);
      text->setTextFormat(Qt::PlainText);
      text->setAlignment(ToQt(options.align));
      return text;
    }
    case ControlKind::DigitsEntry: {
      QWidget* entry = MakeEntry(id, parent, options);
      static_cast<QLineEdit*>(entry)->setText(ToQ(label));
      return entry;
    }
    case ControlKind::ComboEditable: return MakeCombo(id, parent, true);
    case ControlKind::ComboFixed: return MakeCombo(id, parent, false);
    case ControlKind::Button: {
      auto* button = new QPushButton(Literal(label), parent);
      ConnectPressed(id, button);
      return button;
    }
    case ControlKind::ImageButton: return MakeImageButton(id, record, parent, geometry);
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::CutStrip:
      return new CutStripView(parent, [this, id] { PushControlEvent(id, EventSubtype::Changed); });
  }
  return nullptr;
}

bool QtGui::CreateControl(WindowId window, ControlId id, ControlKind kind, Rect geometry, std::u16string_view label,
                          const ControlOptions& options) {
  QWidget* parent = WindowWidget(window);
  if (!parent || id < 0) return false;
  if (ControlRecord* old = Find(id)) delete old->widget.data();
  ControlRecord record;
  record.window = window;
  record.kind = kind;
  record.label = std::u16string(label);
  QWidget* widget = MakeWidget(id, record, parent, geometry, label, options);
  if (!widget) return false;
  if ((kind == ControlKind::ComboEditable || kind == ControlKind::ComboFixed) && geometry.width > 2 * ComboInset) {
    // The given frame includes the bezel margin of the platform's combo boxes; Qt paints
    // to its edges, which would cover the label between the prefix and format boxes.
    geometry.x += ComboInset;
    geometry.width -= 2 * ComboInset;
  }
  widget->setGeometry(geometry.x, geometry.y, geometry.width, geometry.height);
  auto font = fonts_.find(options.font);
  if (font != fonts_.end()) widget->setFont(font->second);
  widget->show();
  record.widget = widget;
  controls_[id] = record;
  last_created_ = id;
  return true;
}

void QtGui::SetText(ControlId id, std::u16string_view text) {
  ControlRecord* c = Find(id);
  if (!c) return;
  QWidget* w = c->widget;
  switch (c->kind) {
    case ControlKind::Text: static_cast<QLabel*>(w)->setText(ToQ(text)); break;
    // setText bypasses the validator on purpose: the program may set any value.
    case ControlKind::DigitsEntry: static_cast<QLineEdit*>(w)->setText(ToQ(text)); break;
    case ControlKind::ComboEditable: static_cast<QComboBox*>(w)->setEditText(ToQ(text)); break;
    case ControlKind::ComboFixed: {
      auto* combo = static_cast<QComboBox*>(w);
      combo->setCurrentIndex(combo->findText(ToQ(text)));
      break;
    }
    case ControlKind::Frame: static_cast<QGroupBox*>(w)->setTitle(Literal(text)); break;
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::Option: static_cast<QAbstractButton*>(w)->setText(Literal(text)); break;
    default: return;
  }
  c->label = std::u16string(text);
}

std::u16string QtGui::Text(ControlId id) {
  ControlRecord* c = Find(id);
  if (!c) return {};
  QWidget* w = c->widget;
  switch (c->kind) {
    case ControlKind::Text: return static_cast<QLabel*>(w)->text().toStdU16String();
    case ControlKind::DigitsEntry: return static_cast<QLineEdit*>(w)->text().toStdU16String();
    case ControlKind::ComboEditable:
    case ControlKind::ComboFixed: return static_cast<QComboBox*>(w)->currentText().toStdU16String();
    default: return c->label;
  }
}

void QtGui::SetState(ControlId id, int state) {
  ControlRecord* c = Find(id);
  if (!c) return;
  QWidget* w = c->widget;
  switch (c->kind) {
    case ControlKind::CheckBox: static_cast<QCheckBox*>(w)->setChecked(state != 0); break;
    case ControlKind::Option: {
      auto* option = static_cast<QRadioButton*>(w);
      if (state == 0 && option->isChecked() && c->group) {
        c->group->setExclusive(false);  // an exclusive group cannot clear its checked option
        option->setChecked(false);
        c->group->setExclusive(true);
      } else {
        option->setChecked(state != 0);
      }
      break;
    }
    case ControlKind::ComboEditable:
    case ControlKind::ComboFixed: {
      auto* combo = static_cast<QComboBox*>(w);
      // An index outside the items selects nothing.
      combo->setCurrentIndex(state >= 0 && state < combo->count() ? state : -1);
      break;
    }
    case ControlKind::ProgressBar: static_cast<QProgressBar*>(w)->setValue(std::clamp(state, 0, 100)); break;
    case ControlKind::CutStrip: static_cast<CutStripView*>(w)->SetZoom(state); break;
    default: break;
  }
}

int QtGui::State(ControlId id) {
  ControlRecord* c = Find(id);
  if (!c) return 0;
  QWidget* w = c->widget;
  switch (c->kind) {
    case ControlKind::CheckBox:
    case ControlKind::Option: return static_cast<QAbstractButton*>(w)->isChecked() ? 1 : 0;
    case ControlKind::ComboEditable:
    case ControlKind::ComboFixed: return static_cast<QComboBox*>(w)->currentIndex();
    case ControlKind::ProgressBar: return static_cast<QProgressBar*>(w)->value();
    case ControlKind::CutStrip: return static_cast<CutStripView*>(w)->Canvas()->Zoom();
    default: return 0;
  }
}

void QtGui::AddItem(ControlId id, std::u16string_view item) {
  ControlRecord* c = Find(id);
  if (!c || (c->kind != ControlKind::ComboEditable && c->kind != ControlKind::ComboFixed)) return;
  auto* combo = static_cast<QComboBox*>(c->widget.data());
  // Adding an item to an editable box must not replace the text being shown.
  const QString text = combo->currentText();
  combo->addItem(ToQ(item));
  if (c->kind == ControlKind::ComboEditable) combo->setEditText(text);
}

void QtGui::RefreshImage(ControlRecord& record) {
  record.image_revision = record.image ? record.image->revision : 0;
  if (record.kind == ControlKind::Image) {
    static_cast<ImageView*>(record.widget.data())->SetImage(record.image);
  } else if (record.kind == ControlKind::ImageButton && record.inner) {
    QImage picture = ToQImage(record.image, record.inner->devicePixelRatioF());
    static_cast<QPushButton*>(record.inner.data())
        ->setIcon(picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
  }
}

void QtGui::SetImage(ControlId id, const NativeImage* image) {
  ControlRecord* c = Find(id);
  if (!c || (c->kind != ControlKind::Image && c->kind != ControlKind::ImageButton)) return;
  c->image = image;
  RefreshImage(*c);
}

void QtGui::SetStrip(ControlId id, const StripContent& content) {
  ControlRecord* c = Find(id);
  if (c && c->kind == ControlKind::CutStrip) static_cast<CutStripView*>(c->widget.data())->SetContent(content);
}

std::vector<StripLine> QtGui::StripLines(ControlId id) {
  ControlRecord* c = Find(id);
  if (!c || c->kind != ControlKind::CutStrip) return {};
  return static_cast<CutStripView*>(c->widget.data())->Canvas()->Lines();
}

void QtGui::RefreshChangedImages() {
  for (auto& [id, record] : controls_) {
    if (!record.widget || !record.image) continue;
    if (record.image->revision != record.image_revision) RefreshImage(record);
  }
}

// --- hints and keyboard ----------------------------------------------------------------

void QtGui::SetToolTip(ControlId id, std::u16string_view text) {
  ControlRecord* c = Find(id);
  if (!c) return;
  c->widget->setToolTip(ToQ(text));
  if (c->inner) c->inner->setToolTip(ToQ(text));  // the image button covers its box
}

void QtGui::AddShortcut(ControlId control, std::u16string_view keys, ControlId scope) {
  ControlRecord* target = Find(control);
  if (!target) return;
  QWidget* owner = scope != NoControl ? ControlWidget(scope) : WindowWidget(target->window);
  if (!owner) return;
  auto* shortcut = new QShortcut(QKeySequence::fromString(ToQ(keys), QKeySequence::PortableText), owner);
  shortcut->setContext(scope != NoControl ? Qt::WidgetWithChildrenShortcut : Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, owner, [this, control] {
    // A disabled control (the main window's while the About window is open) is not pressed.
    ControlRecord* c = Find(control);
    if (c && c->widget->isEnabled()) PushControlEvent(control, EventSubtype::Pressed);
  });
}

void QtGui::SetTabOrder(const std::vector<ControlId>& order) {
  QWidget* previous = nullptr;
  for (ControlId id : order) {
    QWidget* widget = ControlWidget(id);
    if (!widget) continue;
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

}  // namespace zen::gui
