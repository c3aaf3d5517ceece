// The grid on screen: a table model over a snapshot of CGridData and the view
// that shows it with row 0 as its fixed header row.
//
// The view owns its CGridData. Job threads write the data; each Changed
// notification (queued to the UI thread) makes the view take one snapshot and
// refresh in one step, so a fill of any size costs one model reset. Drawing
// reads only the snapshot and never waits for a writer.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <cstdint>

#include "core/grid/grid_data.h"

namespace tesmo {

class CGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit CGridModel(QObject* parent = nullptr);

  // Shows snapshot. A new row or column count resets the model; otherwise the
  // cells are announced as changed. Returns whether the model was reset.
  bool Show(CGridSnapshot snapshot);
  const CGridSnapshot& Current() const { return current; }

  // Model rows are the grid's data rows: model row i is grid row i + 1.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The Qt alignment of an alignment code for a cell text.
  static Qt::Alignment AlignmentOf(int code, QStringView text);

  // The background the cells are drawn on: coloured texts are made readable
  // on it (a dark palette would swallow the grids' dark reds and blues).
  void SetBackground(const QColor& colour);

 private:
  CGridSnapshot current;
  QColor background = Qt::white;
};

class CGridView : public QTableView {
  Q_OBJECT
 public:
  explicit CGridView(QWidget* parent = nullptr);

  CGridData& Data() { return data; }
  CGridModel* Model() const { return model; }

  // Puts the selection's copy text on the clipboard; false when there is
  // nothing to copy. Ctrl+C runs it too.
  virtual bool CopySelection();

  // Takes the fixed font and measures it: the width unit (10 x the pixel
  // width of "m") and the default row height go to the data. Runs again
  // whenever the view is shown after the fixed font was rebuilt.
  void ApplyFixedFont();

  // Pixels of a column width or row height given in grid units.
  int ColumnPixels(int units) const;
  static int RowPixels(int units) { return units / 10; }

  // Where the last mouse-down happened, in global coordinates (the keyboard's
  // menu key counts as a right button on the current cell).
  QPoint MouseDownPosition() const { return mouseDownPosition; }

 public slots:
  // Takes the data's pending writes now; normally runs on Changed.
  void Refresh();

 signals:
  // A mouse button went down on the grid, after the data's mouse row and
  // column were set (row 0: the header row, -1: no cell). button: 1 left,
  // 2 right, 4 middle; shift: 1 shift, 2 control, 4 alt; x, y in pixels of
  // the view.
  void MouseDown(int button, int shift, int x, int y);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyFormats(bool rowsReset);
  void ApplySelection();
  void OnViewSelectionChanged();
  void ReportMouseDown(int row, int col, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                       const QPoint& viewPos, const QPoint& globalPos);

  // The current cell and selection corner of the last snapshot.
  struct Selection {
    int row = 0, col = 0, rowSel = 0, colSel = 0;
    std::uint64_t serial = 0;
  };

  CGridData data;
  CGridModel* model = nullptr;
  Selection selection;
  std::uint64_t seenSelectionSerial = 0;
  // Set while the view itself changes its selection, which the data knows.
  bool applyingSelection = false;
  bool hadRowHeights = false;
  bool highlightAlways = false;
  QPoint mouseDownPosition;
};

}  // namespace tesmo
