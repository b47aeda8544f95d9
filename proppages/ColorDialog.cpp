#include "proppages/ColorDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/ui/ButtonRow.h"
#include "platform/ui/Colors.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/ModalRunner.h"

namespace qvp {

namespace {

constexpr OLE_COLOR kSystemColorBit = 0x80000000u;
constexpr ColorRef kWhite = 0xFFFFFF;
constexpr int kStandardSet = 0;
constexpr int kSystemSet = 1;
constexpr int kColorRole = Qt::UserRole;
const char* const kCustomLabel = "<Custom...>";
const char* const kUnknownSystemLabel = "Unrecogized System Color";

OLE_COLOR ColorOf(const QListWidgetItem* item) { return item->data(kColorRole).toUInt(); }

// Entries: the swatch at the left, the label beside it.
class SwatchDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    // Entries are a swatch high, or the label's height where the font is taller.
    return {QStyledItemDelegate::sizeHint(option, index).width() + CColorDialog::kSwatchWidth,
            std::max(CColorDialog::kSwatchHeight, option.fontMetrics.height())};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect r = option.rect;
    const QRect swatch(r.left(), r.top() + (r.height() - CColorDialog::kSwatchHeight) / 2,
                       CColorDialog::kSwatchWidth, CColorDialog::kSwatchHeight);
    const QRgb color = ui::ColorFromBgr(TranslateOleColor(index.data(kColorRole).toUInt())).rgb();
    painter->fillRect(swatch, QColor(color));
    painter->setPen(Qt::black);
    painter->drawRect(swatch.adjusted(0, 0, -1, -1));

    const QRect text(swatch.right() + 1, r.top(), r.right() - swatch.right(), r.height());
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->fillRect(text, pal.color(selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(text.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    if (option.state & QStyle::State_HasFocus) {
      QStyleOptionFocusRect focus;
      focus.rect = text;
      focus.palette = pal;
      focus.state = option.state;
      option.widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
  }
};

}  // namespace

const std::array<ColorSet, 2>& ColorSets() {
  static const std::array<ColorSet, 2> sets = {{
      {"Standard Colors",
       {{"Black", 0x000000},      {"White", 0xFFFFFF},      {"Red", 0x0000FF},          {"Green", 0x00FF00},
        {"Blue", 0xFF0000},       {"Yellow", 0x00FFFF},     {"Magenta", 0xFF00FF},      {"Cyan", 0xFFFF00},
        {"Dark Gray", 0x808080},  {"Gray", 0xC0C0C0},       {"Dark Red", 0x000080},     {"Dark Green", 0x008000},
        {"Dark Blue", 0x800000},  {"Dark Yellow", 0x008080}, {"Dark Magenta", 0x800080}, {"Dark Cyan", 0x808000}}},
      {"Windows System Colors",
       {{"Scroll Bars", 0x80000000},
        {"Desktop", 0x80000001},
        {"Active Title Bar", 0x80000002},
        {"Inactive Title Bar", 0x80000003},
        {"Menu Bar", 0x80000004},
        {"Window Background", 0x80000005},
        {"Window Frame", 0x80000006},
        {"Menu Text", 0x80000007},
        {"Window Text", 0x80000008},
        {"Active Title Bar Text", 0x80000009},
        {"Active Border", 0x8000000A},
        {"Inactive Border", 0x8000000B},
        {"Application Workspace", 0x8000000C},
        {"Highlight", 0x8000000D},
        {"Highlight Text", 0x8000000E},
        {"Button Face", 0x8000000F},
        {"Button Shadow", 0x80000010},
        {"Disabled Text", 0x80000011},
        {"Button Text", 0x80000012},
        {"Inactive Title Bar Text", 0x80000013},
        {"Button Highlight", 0x80000014},
        {"Button Dark Shadow", 0x80000015},
        {"Button Light Shadow", 0x80000016},
        {"ToolTip Text", 0x80000017},
        {"ToolTip", 0x80000018},
        {"Hot Light", 0x8000001A}}},
  }};
  return sets;
}

std::array<ColorRef, 16>& CustomColors() {
  static std::array<ColorRef, 16> colors = [] {
    std::array<ColorRef, 16> white;
    white.fill(kWhite);
    return white;
  }();
  return colors;
}

class CColorDialog::Window final : public QDialog {
 public:
  Window(CColorDialog& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("107"));
    setWindowTitle(QStringLiteral("Edit Color"));
    sets_ = new QComboBox(this);
    sets_->setObjectName(QStringLiteral("1001"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("1002"));
    list_->setSortingEnabled(true);
    list_->setUniformItemSizes(true);
    list_->setItemDelegate(new SwatchDelegate(list_));
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setMinimumSize(160, 110);
    auto* setLabel = new QLabel(QStringLiteral("Color &Set:"), this);
    setLabel->setBuddy(sets_);
    auto* listLabel = new QLabel(QStringLiteral("&Color Palette:"), this);
    listLabel->setBuddy(list_);
    auto* custom = ui::NamedButton(QStringLiteral("&Edit Custom Color..."), QStringLiteral("1003"), this);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QHBoxLayout* buttons = ui::OkCancelRow(this, ok, QStringLiteral("1"), cancel, QStringLiteral("2"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(setLabel);
    layout->addWidget(sets_);
    layout->addWidget(listLabel);
    layout->addWidget(list_);
    layout->addWidget(custom);
    layout->addLayout(buttons);
    ui::FixWindowSize(*this);

    for (const ColorSet& set : ColorSets()) sets_->addItem(QString::fromLatin1(set.name));
    sets_->setCurrentIndex(kStandardSet);
    Fill();
    connect(sets_, &QComboBox::currentIndexChanged, this, [this] { Fill(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
      if (list_->row(item) == 0) {
        EditCustom();
      } else {
        model_.color = ColorOf(item);
        accept();
      }
    });
    connect(custom, &QPushButton::clicked, this, [this] { EditCustom(); });
    connect(ok, &QPushButton::clicked, this, [this] {
      if (const QListWidgetItem* item = list_->currentItem()) model_.color = ColorOf(item);
      accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  }

 private:
  QListWidgetItem* AddEntry(const char* label, OLE_COLOR color) {
    auto* item = new QListWidgetItem(QString::fromLatin1(label));
    item->setData(kColorRole, static_cast<uint>(color));
    list_->addItem(item);
    return item;
  }

  void Fill() {
    const int set = sets_->currentIndex();
    if (set < 0) return;
    if (set != currentSet_) {
      list_->setUpdatesEnabled(false);
      list_->clear();
      AddEntry(kCustomLabel, kWhite);
      for (const ColorEntry& entry : ColorSets()[static_cast<size_t>(set)].entries) AddEntry(entry.label, entry.color);
      list_->setUpdatesEnabled(true);
      currentSet_ = set;
    }
    for (int row = 1; row < list_->count(); ++row) {
      if (ColorOf(list_->item(row)) == model_.color) {
        list_->setCurrentRow(row);
        return;
      }
    }
    if (set == kSystemSet && (model_.color & kSystemColorBit)) {
      list_->setCurrentItem(AddEntry(kUnknownSystemLabel, model_.color));
    } else {
      list_->item(0)->setData(kColorRole, static_cast<uint>(model_.color));
      list_->setCurrentRow(0);
    }
  }

  void EditCustom() {
    QListWidgetItem* customItem = list_->item(0);
    const OLE_COLOR start = ColorOf(customItem);
    std::array<ColorRef, 16>& table = CustomColors();
    if (!(start & kSystemColorBit) && std::find(table.begin(), table.end(), start) == table.end()) {
      const auto white = std::find(table.begin(), table.end(), kWhite);
      if (white != table.end()) *white = start;
    }
    QColorDialog chooser(this);
    chooser.setOption(QColorDialog::DontUseNativeDialog);
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ui::ColorFromBgr(table[static_cast<size_t>(i)]));
    chooser.setCurrentColor(ui::ColorFromBgr(TranslateOleColor(start)));
    const int result = ui::RunModal(chooser, this);
    for (int i = 0; i < 16; ++i) table[static_cast<size_t>(i)] = ui::BgrFromColor(QColorDialog::customColor(i));
    if (result != QDialog::Accepted) return;
    list_->setCurrentRow(0);
    customItem->setData(kColorRole, static_cast<uint>(ui::BgrFromColor(chooser.currentColor())));
  }

  CColorDialog& model_;
  QComboBox* sets_ = nullptr;
  QListWidget* list_ = nullptr;
  int currentSet_ = -1;
};

int CColorDialog::Run(QWidget* owner) {
  Window window(*this, owner);
  return ui::RunModal(window, owner) == QDialog::Accepted ? 1 : 0;
}

}  // namespace qvp
