// The grid on screen.
#include "ui/widgets/grid_view.h"

#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "ui/widgets/fixed_font.h"
#include "ui/widgets/readable_colour.h"

namespace tesmo {
namespace {

// Cells keep their line breaks on screen; a lone carriage return counts as one.
QString DisplayText(const QString& text) {
  if (!text.contains(QLatin1Char('\r'))) return text;
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

int ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

int ShiftCode(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
         (modifiers & Qt::AltModifier ? 4 : 0);
}

// The clipboard's copy of a grid block. It holds the cells as they were
// (shared with the grid: no copy of the table) and writes the text, UTF-8
// piece by piece from the stored bytes, when it is first asked for; from then
// on it keeps only that text.
class CGridCopyData : public QMimeData {
 public:
  explicit CGridCopyData(CGridCopy copy) : copy(std::move(copy)) {}

  QStringList formats() const override { return {QStringLiteral("text/plain")}; }
  bool hasFormat(const QString& format) const override { return IsText(format); }

 protected:
  QVariant retrieveData(const QString& format, QMetaType /*type*/) const override {
    if (!IsText(format)) return QVariant();
    if (!written) {
      copy.Write([this](QByteArrayView piece) { text += piece; });
      copy = CGridCopy();
      written = true;
    }
    return text;
  }

 private:
  static bool IsText(const QString& format) {
    return format == QLatin1String("text/plain") ||
           format == QLatin1String("text/plain;charset=utf-8");
  }

  mutable CGridCopy copy;
  mutable QByteArray text;
  mutable bool written = false;
};

}  // namespace

// ---------------------------------------------------------------------------
// Model

CGridModel::CGridModel(QObject* parent) : QAbstractTableModel(parent) {}

bool CGridModel::Show(CGridSnapshot snapshot) {
  const bool reset =
      snapshot.RowCount() != current.RowCount() || snapshot.colCount != current.colCount;
  if (reset) {
    beginResetModel();
    current = std::move(snapshot);
    endResetModel();
    return true;
  }
  current = std::move(snapshot);
  if (current.colCount > 0) {
    if (current.RowCount() > 1) {
      emit dataChanged(index(0, 0), index(current.RowCount() - 2, current.colCount - 1));
    }
    emit headerDataChanged(Qt::Horizontal, 0, current.colCount - 1);
  }
  return false;
}

int CGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || current.RowCount() == 0) return 0;
  return current.RowCount() - 1;
}

int CGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : current.colCount;
}

Qt::Alignment CGridModel::AlignmentOf(int code, QStringView text) {
  switch (code) {
    case kAlignLeftTop:
      return Qt::AlignLeft | Qt::AlignTop;
    case kAlignLeftCenter:
      return Qt::AlignLeft | Qt::AlignVCenter;
    case kAlignLeftBottom:
      return Qt::AlignLeft | Qt::AlignBottom;
    case kAlignCenterTop:
      return Qt::AlignHCenter | Qt::AlignTop;
    case kAlignCenterCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case kAlignCenterBottom:
      return Qt::AlignHCenter | Qt::AlignBottom;
    case kAlignRightTop:
      return Qt::AlignRight | Qt::AlignTop;
    case kAlignRightCenter:
      return Qt::AlignRight | Qt::AlignVCenter;
    case kAlignRightBottom:
      return Qt::AlignRight | Qt::AlignBottom;
    default:
      return (ReadsAsNumber(text) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
  }
}

QVariant CGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  const int row = index.row() + 1;
  const int col = index.column();
  if (row >= current.RowCount() || col >= current.colCount) return QVariant();
  // Only the rows on screen are asked for: their texts become QStrings here.
  switch (role) {
    case Qt::DisplayRole:
      return DisplayText(current.cells.Text(row, col));
    case Qt::TextAlignmentRole: {
      const int align = current.columns[col].align;
      return QVariant::fromValue(
          AlignmentOf(align, align == kAlignGeneral ? current.cells.Text(row, col) : QString()));
    }
    case Qt::ForegroundRole: {
      const std::uint32_t bgr = current.cells.Colour(row, col);
      if (bgr == CGridData::kNoColour) break;
      return ReadableOn(QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                               static_cast<int>((bgr >> 16) & 0xFF)),
                        background);
    }
    default:
      break;
  }
  return QVariant();
}

void CGridModel::SetBackground(const QColor& colour) {
  if (colour == background) return;
  background = colour;
  if (rowCount() > 0 && columnCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ForegroundRole});
}

QVariant CGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= current.colCount) {
    return QVariant();
  }
  const QString title = current.TextAt(0, section);
  if (role == Qt::DisplayRole) return DisplayText(title);
  // Titles stay left: in a narrow right-aligned column the start of the
  // title is the part worth seeing.
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return QVariant();
}

// ---------------------------------------------------------------------------
// View

CGridView::CGridView(QWidget* parent) : QTableView(parent) {
  model = new CGridModel(this);
  model->SetBackground(palette().color(QPalette::Base));
  setModel(model);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setCornerButtonEnabled(false);
  setContextMenuPolicy(Qt::DefaultContextMenu);
  verticalHeader()->hide();  // no fixed column: every column holds data
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->viewport()->installEventFilter(this);

  connect(&data, &CGridData::Changed, this, &CGridView::Refresh, Qt::QueuedConnection);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &CGridView::OnViewSelectionChanged);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          &CGridView::OnViewSelectionChanged);
  ApplyFixedFont();
  Refresh();
}

void CGridView::ApplyFixedFont() {
  const QFont& fixed = FixedFont();
  setFont(fixed);
  horizontalHeader()->setFont(fixed);
  const QFontMetrics metrics(fixed);
  // The pages' column widths count characters of a proportional font, whose
  // "m" is wider than the average letter; in a fixed font every letter is as
  // wide as "m". Taking the wider of the two "m"s keeps a 15-character address
  // whole in its 12-character column whatever the fixed font's size.
  const int uiM = QFontMetrics(QApplication::font(this)).horizontalAdvance(QLatin1Char('m'));
  data.SetWidthUnit(10 * std::max({metrics.horizontalAdvance(QLatin1Char('m')), uiM, 1}));
  const int rowPixels = metrics.lineSpacing() + 6;
  verticalHeader()->setMinimumSectionSize(std::min(rowPixels, metrics.height() / 2 + 1));
  verticalHeader()->setDefaultSectionSize(rowPixels);
  data.SetDefaultRowHeight(10 * rowPixels);
}

// Widths count the characters' room; the cell's margins come on top so that
// a column of n characters shows n characters.
int CGridView::ColumnPixels(int units) const {
  if (units <= 0) return 0;
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  return units / 10 + 2 * margin + 1;
}

void CGridView::Refresh() {
  CGridSnapshot snapshot;
  if (!data.TakeSnapshot(snapshot)) return;
  const bool contentChanged = snapshot.contentSerial != model->Current().contentSerial;
  const bool selectionChanged = snapshot.selectionSerial != seenSelectionSerial;
  selection = {snapshot.row, snapshot.col, snapshot.rowSel, snapshot.colSel,
               snapshot.selectionSerial};
  bool reset = false;
  if (contentChanged) {
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();
    applyingSelection = true;
    reset = model->Show(std::move(snapshot));
    applyingSelection = false;
    ApplyFormats(reset);
    if (reset) {
      verticalScrollBar()->setValue(vertical);
      horizontalScrollBar()->setValue(horizontal);
    }
  }
  if (reset || selectionChanged) ApplySelection();
}

void CGridView::ApplyFormats(bool rowsReset) {
  const CGridSnapshot& shown = model->Current();
  // Cells break only at their own line breaks: a wrapped word would show as a
  // cut second line in a one-line row.
  setWordWrap(false);
  verticalScrollBar()->setTracking(shown.scrollTrack);
  horizontalScrollBar()->setTracking(shown.scrollTrack);
  if (shown.highlightAlways != highlightAlways) {
    // The selection keeps its active colours while the grid has no focus.
    highlightAlways = shown.highlightAlways;
    QPalette colours = palette();
    const QPalette standard = QApplication::palette(this);
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
      colours.setColor(
          QPalette::Inactive, role,
          standard.color(highlightAlways ? QPalette::Active : QPalette::Inactive, role));
    }
    setPalette(colours);
  }

  QHeaderView* header = horizontalHeader();
  for (int c = 0; c < shown.colCount; ++c) {
    const int units = shown.columns[c].width;
    if (units < 0) {
      setColumnHidden(c, false);
      if (rowsReset) header->resizeSection(c, header->defaultSectionSize());
    } else if (units == 0) {
      setColumnHidden(c, true);
    } else {
      setColumnHidden(c, false);
      header->resizeSection(c, ColumnPixels(units));
    }
  }

  QHeaderView* rows = verticalHeader();
  const int defaultPixels = std::max(RowPixels(shown.defaultRowHeight), 1);
  if (rows->defaultSectionSize() != defaultPixels) rows->setDefaultSectionSize(defaultPixels);
  bool anyHeight = false;
  if (shown.cells.AnyHeight()) {
    for (int r = 1; r < shown.RowCount() && !anyHeight; ++r) anyHeight = shown.cells.Height(r) > 0;
  }
  // Heights travel with their rows when sorted: set every row that has one,
  // and put back the rows that had one before, after a reset too (the header
  // keeps the sizes of the rows it still has).
  if (anyHeight || hadRowHeights) {
    for (int r = 1; r < shown.RowCount(); ++r) {
      const int units = shown.cells.Height(r);
      const int want = units > 0 ? std::max(RowPixels(units), 1) : defaultPixels;
      const int section = r - 1;
      if (rows->sectionSize(section) != want) rows->resizeSection(section, want);
    }
  }
  hadRowHeights = anyHeight;
}

void CGridView::ApplySelection() {
  const Selection& shown = selection;
  seenSelectionSerial = shown.serial;
  const int lastRow = model->rowCount() - 1;
  const int lastCol = model->columnCount() - 1;
  // Grid rows to model rows: the header row is not a model row.
  const int top = std::max(std::min(shown.row, shown.rowSel) - 1, 0);
  const int bottom = std::min(std::max(shown.row, shown.rowSel) - 1, lastRow);
  const int left = std::max(std::min(shown.col, shown.colSel), 0);
  const int right = std::min(std::max(shown.col, shown.colSel), lastCol);
  applyingSelection = true;
  if (top > bottom || left > right) {
    selectionModel()->clearSelection();
  } else {
    const int currentRow = std::clamp(shown.rowSel - 1, top, bottom);
    const int currentCol = std::clamp(shown.colSel, left, right);
    selectionModel()->setCurrentIndex(model->index(currentRow, currentCol),
                                      QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(model->index(top, left), model->index(bottom, right)),
                             QItemSelectionModel::ClearAndSelect);
  }
  applyingSelection = false;
}

// The user selected in the view: the block's corners become the grid's
// current cell and selection corner (the moving end is the corner).
void CGridView::OnViewSelectionChanged() {
  if (applyingSelection) return;
  const QModelIndex current = selectionModel()->currentIndex();
  const QItemSelection selection = selectionModel()->selection();
  int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
  for (const QItemSelectionRange& range : selection) {
    top = std::min(top, range.top());
    bottom = std::max(bottom, range.bottom());
    left = std::min(left, range.left());
    right = std::max(right, range.right());
  }
  if (bottom < 0) {
    if (!current.isValid()) return;
    top = bottom = current.row();
    left = right = current.column();
  }
  // The grid keeps a block as two opposite corners. The current cell is the
  // moving one when it is a corner of the block; when it lies inside (select
  // all after a click) the block runs from its top left to its bottom right.
  int cornerRow = bottom, cornerCol = right;
  if (current.isValid() && (current.row() == top || current.row() == bottom) &&
      (current.column() == left || current.column() == right)) {
    cornerRow = current.row();
    cornerCol = current.column();
  }
  const int anchorRow = cornerRow == top ? bottom : top;
  const int anchorCol = cornerCol == left ? right : left;
  seenSelectionSerial =
      data.SetSelectionFromView(anchorRow + 1, anchorCol, cornerRow + 1, cornerCol);
}

bool CGridView::CopySelection() {
  CGridCopy copy = data.SelectionCopy();
  if (copy.IsEmpty()) return false;
  QApplication::clipboard()->setMimeData(new CGridCopyData(std::move(copy)));
  return true;
}

void CGridView::ReportMouseDown(int row, int col, Qt::MouseButton button,
                                Qt::KeyboardModifiers modifiers, const QPoint& viewPos,
                                const QPoint& globalPos) {
  data.SetMouseCell(row, col);
  mouseDownPosition = globalPos;
  emit MouseDown(ButtonCode(button), ShiftCode(modifiers), viewPos.x(), viewPos.y());
}

void CGridView::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const QModelIndex index = indexAt(pos);
  const int row = index.isValid() ? index.row() + 1 : -1;
  const int col = index.isValid() ? index.column() : -1;
  // Only the left button moves the selection: a right or middle click opens a
  // menu on the block selected before.
  if (event->button() == Qt::LeftButton) {
    QTableView::mousePressEvent(event);
  } else {
    event->accept();
  }
  ReportMouseDown(row, col, event->button(), event->modifiers(), viewport()->mapTo(this, pos),
                  event->globalPosition().toPoint());
}

bool CGridView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint pos = mouse->position().toPoint();
    const int col = horizontalHeader()->logicalIndexAt(pos);
    ReportMouseDown(col >= 0 ? 0 : -1, col, mouse->button(), mouse->modifiers(),
                    horizontalHeader()->viewport()->mapTo(this, pos),
                    mouse->globalPosition().toPoint());
    // The left button keeps the header's own behaviour (selecting the column).
    return mouse->button() != Qt::LeftButton;
  }
  return QTableView::eventFilter(watched, event);
}

// Pages are built before the settings give the fixed font its face and size,
// and "Load default" rebuilds it while other pages are hidden.
void CGridView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
    model->SetBackground(palette().color(QPalette::Base));
  QTableView::changeEvent(event);
}

void CGridView::showEvent(QShowEvent* event) {
  if (font() != FixedFont()) ApplyFixedFont();
  QTableView::showEvent(event);
}

// The menu key opens the current cell's menu, as a right click on it would.
void CGridView::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (event->reason() != QContextMenuEvent::Keyboard) return;
  const QModelIndex current = selectionModel()->currentIndex();
  if (!current.isValid()) return;
  const QRect cell = visualRect(current);
  ReportMouseDown(current.row() + 1, current.column(), Qt::RightButton, event->modifiers(),
                  viewport()->mapTo(this, cell.center()),
                  viewport()->mapToGlobal(cell.bottomLeft()));
}

void CGridView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace tesmo
