// Export table of a Windows DLL, read from the loaded image: every named
// export whose address lies in an executable section, demangled as
// `objdump -p | c++filt` shows it.
#include <cstdlib>
#include <filesystem>

#include <cxxabi.h>
#include <windows.h>

#include "support/ExportTable.h"

namespace rztest {
namespace {

std::string Demangle(const char* name) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    if (status != 0 || demangled == nullptr) return name;
    std::string result(demangled);
    std::free(demangled);
    return result;
}

bool IsExecutable(const IMAGE_NT_HEADERS* nt, DWORD rva) {
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const DWORD size =
            section->Misc.VirtualSize ? section->Misc.VirtualSize : section->SizeOfRawData;
        if (rva >= section->VirtualAddress && rva - section->VirtualAddress < size)
            return (section->Characteristics & IMAGE_SCN_MEM_EXECUTE) != 0;
    }
    return false;
}

} // namespace

std::set<std::string> ExportedFunctions(const std::string& libraryFile) {
    std::set<std::string> names;
    // The DLL sits beside the test program; load it by name from there.
    const std::string dllName = std::filesystem::path(libraryFile).filename().string();
    HMODULE module = LoadLibraryA(dllName.c_str());
    if (module == nullptr) return names;
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress != 0 && directory.Size != 0) {
        const auto* exports =
            reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
        const auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
        const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
            const DWORD rva = functions[ordinals[i]];
            if (!IsExecutable(nt, rva)) continue;
            names.insert(Demangle(reinterpret_cast<const char*>(base + nameRvas[i])));
        }
    }
    FreeLibrary(module);
    return names;
}

} // namespace rztest
