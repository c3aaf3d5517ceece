# core/grid: grid data and table grid; the grid view of the window.
tesmo_test(grid_unit_test unit
  unit/grid_data_test.cpp
  unit/grid_cells_test.cpp
  unit/table_grid_test.cpp
)
tesmo_test(grid_ui_test ui
  ui/grid_view_test.cpp
  ui/line_list_test.cpp
)
