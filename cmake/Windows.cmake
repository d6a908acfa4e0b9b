# The Windows build: one static executable from the libraries build-deps.sh made with the
# mingw-w64 cross compilers (packaging/windows/).

# Everything is linked in, the C and C++ run-times and winpthreads included, so the
# executable needs no DLL beside it.
add_link_options(-static -static-libgcc -static-libstdc++)
