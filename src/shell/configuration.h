#pragma once
#include "data/dialogs.h"
#include "data/table.h"

#include <string>

namespace demovia {

// The general configuration, {application folder}conf.ini: the default sex
// ratio at birth (male births per 100 female births) new projects start with.
struct Configuration {
    static constexpr const char* kDefaultSexRatio = "105"; // with no conf.ini
    static constexpr const char* kMissingKeySexRatio = "100"; // conf.ini without the key

    std::string sexRatio = kDefaultSexRatio; // [popproj] Ed_QtdHom, kept as typed
};

fs::path configurationFile(const fs::path& appDir);

// Reads conf.ini as the configuration window does when it is created: "105"
// when the file is missing, "100" when the key is; a file that cannot be read
// gives the defaults and the system's warning through dialogs.
Configuration loadConfiguration(const fs::path& appDir, Dialogs& dialogs);

// A sex ratio a project can take: a whole number of at most 3 digits.
bool isSexRatio(const std::string& text);
// The sex ratio a new project starts with: the configured one, or, when
// conf.ini holds something else, the default 105 with a warning naming the
// file and key.
std::string newProjectSexRatio(const fs::path& appDir, Dialogs& dialogs);
// Writes the value unchanged, creating the file or section when needed and
// keeping the rest of the file. Throws Error.
void saveConfiguration(const fs::path& appDir, const Configuration& config);

} // namespace demovia
