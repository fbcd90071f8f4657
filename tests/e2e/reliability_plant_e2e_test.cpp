// Planted files: DLLs named like ones the system's DLLs load, and a Notepad.exe, put beside a copy
// of the installer (which is also its current folder when started from there). A whole
// installation with the read-me shown must never load or run any of them.
#include "reliability_helpers.h"

namespace reliability {
namespace {

using namespace installation;

const char PlantFolder[] = "C:\\Reliability\\Download";
const char MarkerFolder[] = "C:\\Reliability\\Markers";  // where a planted module reports

// Names the installer itself or the system DLLs it uses may ask for.
const char* const PlantedDlls[] = {"comctl32.dll", "version.dll", "uxtheme.dll", "dwmapi.dll",
                                   "cryptbase.dll", "propsys.dll", "winmm.dll", "shfolder.dll",
                                   "profapi.dll", "msimg32.dll", "oleaut32.dll", "shlwapi.dll"};

using ReliabilityPlanting = ReliabilityTest;

TEST_F(ReliabilityPlanting, PlantedDllsAndNotepadBesideTheInstallerAreNeverLoadedOrRun) {
    MakeFolders(PlantFolder);
    MakeFolders(MarkerFolder);
    const std::string installer = std::string(PlantFolder) + "\\Porvane.exe";
    ASSERT_TRUE(CopyFileA(PORVANE_EXE_PATH, installer.c_str(), FALSE));
    for (const char* name : PlantedDlls) {
        ASSERT_TRUE(CopyFileA(RELIABILITY_PLANT_DLL, (std::string(PlantFolder) + "\\" + name).c_str(), FALSE)) << name;
    }
    ASSERT_TRUE(CopyFileA(RELIABILITY_PLANT_PROGRAM, (std::string(PlantFolder) + "\\Notepad.exe").c_str(), FALSE));

    // The planted pieces work: loading one the ordinary way leaves its marker.
    {
        const std::string probe = std::string(PlantFolder) + "\\probe.dll";
        ASSERT_TRUE(CopyFileA(RELIABILITY_PLANT_DLL, probe.c_str(), FALSE));
        HMODULE loaded = LoadLibraryA(probe.c_str());
        ASSERT_NE(loaded, nullptr);
        FreeLibrary(loaded);
        EXPECT_EQ(ListFolder(MarkerFolder), std::vector<std::string>{"probe.dll.ran"});
        DeleteFileA((std::string(MarkerFolder) + "\\probe.dll.ran").c_str());
        DeleteFileA(probe.c_str());
    }

    Installation result;
    std::string why;
    InstallOptions options;
    options.readMe = true;
    options.exePath = installer.c_str();
    ASSERT_TRUE(Install("C:\\Reliability\\Planted\\Vantrel", DefaultGroup, &result, &why, options)) << why;
    EXPECT_TRUE(result.notepadSeen) << "the system's Notepad showed the read-me";
    EXPECT_EQ(ListFolder(MarkerFolder), std::vector<std::string>{}) << "a planted file was loaded or run";
}

}  // namespace
}  // namespace reliability
