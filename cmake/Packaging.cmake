# Debian package of zandrel2 and zandrel2-dims, built with cpack.
