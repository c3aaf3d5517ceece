# tools/browser (and the Gen. Table page it adds to): the MIB browser's view
# of the tree and the generic-table definitions (with a test module of its
# own, so a program of its own).
tesmo_test(mib_browser_unit_test unit
  unit/mib_browser_test.cpp
)

# The MIB browser's walk and the generic tables against the lab's agents.
tesmo_test(mib_pages_lab_test lab
  lab/mib_pages_test.cpp
)

# The MBrowser and Gen. Table pages in the window against the lab's agents.
# It sets the lab agent's sysContact (and puts it back), which the request
# layer's and the Parameters page's tests read: one of them at a time.
tesmo_test(mib_pages_ui_test ui-lab
  ui/mib_pages_test.cpp
)
set_property(TEST mib_pages_ui_test snmp_lab_test parameters_ui_test
  APPEND PROPERTY RESOURCE_LOCK tesmo_lab_syscontact)

# The MBrowser page's word on MIB modules that did not load, and adding the
# module they need through the "MIB modules" dialog (modules written by the test).
tesmo_test(mib_modules_ui_test ui
  ui/mib_modules_test.cpp
)
