#include "update/PackageStaging.h"

#include "update/UpdateInstaller.h"

StagedBundle stagePackage(const std::string&, const std::string&) { throw InstallError{"not built"}; }
