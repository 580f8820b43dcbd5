# Runs at install time: writes the D-Bus service file with Exec= naming the app
# under the prefix of this install, which need not be the one the build was
# configured with. Set before: scrapwick_service_template, scrapwick_bindir and
# scrapwick_services_dir (the last two as GNUInstallDirs gives them).
cmake_path(ABSOLUTE_PATH scrapwick_bindir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
  OUTPUT_VARIABLE CMAKE_INSTALL_FULL_BINDIR)
cmake_path(ABSOLUTE_PATH scrapwick_services_dir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
  OUTPUT_VARIABLE services_dir)
set(service "$ENV{DESTDIR}${services_dir}/io.github.scrapwick.Scrapwick.service")
message(STATUS "Installing: ${service}")
file(READ "${scrapwick_service_template}" template)
file(CONFIGURE OUTPUT "${service}" CONTENT "${template}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${service}")
