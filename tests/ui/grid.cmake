tesmo_test(grid_ui_test ui
  ui/grid_view_test.cpp
)
