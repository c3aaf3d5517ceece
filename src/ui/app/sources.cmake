target_sources(tesmo_ui PRIVATE
  ui/app/about_box.cpp
  ui/app/application.cpp
  ui/app/fixed_font.cpp
  ui/app/grid_view.cpp
  ui/app/main_sheet.cpp
  ui/app/page_factory.cpp
  ui/app/tool_page.cpp
)
