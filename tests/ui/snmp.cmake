# The Parameters page talks to the lab agent: it runs in the lab namespace.
tesmo_test(parameters_ui_test lab
  ui/parameters_page_test.cpp
)
