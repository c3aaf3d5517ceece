# ui/app: the main window offscreen.
tesmo_test(app_ui_test ui
  ui/main_sheet_test.cpp
)
