# tools/system: the Parameters page in the window, against the lab's agent.
tesmo_test(parameters_ui_test ui-lab
  ui/parameters_page_test.cpp
)
# The target over IPv6: --batch against the lab agent on [::1] for every SNMP
# version, names of one or both families from the lab's hosts file.
tesmo_test(target_v6_lab_test lab
  lab/target_v6_test.cpp
)
