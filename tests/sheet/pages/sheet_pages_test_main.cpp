// The pages' tests draw text, which needs a GUI application; no display is needed for that.
#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    int qtArgc = 3;
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    char* qtArgv[] = {argv[0], platformOption, offscreen, nullptr};
    const QGuiApplication application(qtArgc, qtArgv);
    return RUN_ALL_TESTS();
}
