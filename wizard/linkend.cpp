// Intentionally empty: the ordinary object that ends the installer's link (see CMakeLists.txt).
