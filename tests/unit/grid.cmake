tesmo_test(grid_unit_test unit
  unit/grid_data_test.cpp
  unit/grid_table_test.cpp
)
