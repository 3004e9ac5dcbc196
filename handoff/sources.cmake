# The hand-off: the records' layouts and the file name are platform-free; the rest talks to
# the manager through the window, the block and the file.
list(APPEND NAVTRAP_PORTABLE_SOURCES
  handoff/record_encoding.cpp
  handoff/handoff_file_name.cpp
)
list(APPEND NAVTRAP_WINDOWS_SOURCES
  handoff/manager_window.cpp
  handoff/shared_block.cpp
  handoff/handoff_turn.cpp
  handoff/send_to_manager.cpp
  handoff/deliver_record.cpp
  handoff/catch_url.cpp
)
