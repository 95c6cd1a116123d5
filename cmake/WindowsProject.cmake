# Included after every project() call of the Windows cross build: the
# libraries are RZ.dll and KWRoot.dll, as the host loads them, not lib*.dll.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_SHARED_MODULE_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_PREFIX "")
