# Where the files for systemd and udev are installed. Everything else follows GNUInstallDirs.
#
# Under the /usr prefix, units and rules go where systemd and udev look for them, as their
# pkg-config files say (/lib/... on Debian 12, /usr/lib/... where /usr is merged). Under any
# other prefix they go to <prefix>/lib/systemd/system and <prefix>/lib/udev/rules.d, given
# relative so that `cmake --install --prefix` follows too. DESTDIR staging works for both.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(RIMGLIDER_SYSTEMD_UNIT_DIR "" CACHE PATH "systemd system units (empty: systemd's own under /usr, else <prefix>/lib/systemd/system)")
set(RIMGLIDER_UDEV_RULES_DIR "" CACHE PATH "udev rules (empty: udev's own under /usr, else <prefix>/lib/udev/rules.d)")

set(rimglider_systemd_unit_dir lib/systemd/system)
set(rimglider_udev_rules_dir lib/udev/rules.d)
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  find_package(PkgConfig REQUIRED)
  pkg_get_variable(systemd_unit_dir systemd systemdsystemunitdir)
  if(systemd_unit_dir)
    set(rimglider_systemd_unit_dir ${systemd_unit_dir})
  endif()
  pkg_get_variable(udev_dir udev udevdir)
  if(udev_dir)
    set(rimglider_udev_rules_dir ${udev_dir}/rules.d)
  endif()
endif()
if(RIMGLIDER_SYSTEMD_UNIT_DIR)
  set(rimglider_systemd_unit_dir ${RIMGLIDER_SYSTEMD_UNIT_DIR})
endif()
if(RIMGLIDER_UDEV_RULES_DIR)
  set(rimglider_udev_rules_dir ${RIMGLIDER_UDEV_RULES_DIR})
endif()
