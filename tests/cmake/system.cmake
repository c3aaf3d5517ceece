# tools/system: the Parameters page in the window, against the lab's agent.
tesmo_test(parameters_ui_test ui-lab
  ui/parameters_page_test.cpp
)
