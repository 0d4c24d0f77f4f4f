#include "tests/support/TempRegistry.h"

#include "core/unRegistry.h"

TTempRegistry::TTempRegistry() : FPrevious(RegistryFile()) {
    SetRegistryFile(FileName());
}

TTempRegistry::~TTempRegistry() {
    SetRegistryFile(FPrevious);
}

QString TTempRegistry::FileName() const {
    return FDir.filePath(QStringLiteral("Kovo_Lab.ini"));
}
