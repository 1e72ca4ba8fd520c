# Sources of src/app, relative to src/: start-up, the main window and the shell dialogs.
# The program entry, app/main.cpp, is the executable's only source.
list(APPEND TALLYRA_UI_SOURCES
  app/Main.cpp app/MainActions.cpp app/MainCommands.cpp app/Startup.cpp app/NavigationBar.cpp app/dlgAbout.cpp app/dlgShow.cpp app/dlgOptionSetup.cpp
)
