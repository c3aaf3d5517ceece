target_sources(tesmo_core PRIVATE
  core/app/batch.cpp
  core/app/batch_pages.cpp
  core/app/first_run.cpp
  core/app/grid_data.cpp
  core/app/host_history.cpp
  core/app/job_control.cpp
  core/app/settings_store.cpp
  core/app/status_channel.cpp
  core/app/string_table.cpp
  core/app/telnet_launcher.cpp
  core/app/vendor_map.cpp
)
