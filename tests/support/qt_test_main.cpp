// Test main for every test program: a QApplication exists for the whole run
// (offscreen unless a platform is chosen), so widget tests and message boxes
// work alike.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <clocale>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!getenv("XDG_RUNTIME_DIR")) {
        // Qt warns on every start without a private runtime directory.
        const std::string dir = "/tmp/kv275-tests-runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    QApplication app(argc, argv);
    // Numbers on the wire, in the settings files and on screen use a decimal
    // point whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
