#The command parameter dialog FParametrLiczbowy.
target_sources(rv720_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR} / parameter_dialog.cpp)
