# sources: see CMakeLists.txt
