#include "app/CVelloraApp.h"
#include "app/CommandLine.h"

int main(int argc, char **argv)
{
    // Answered before Qt starts, so they work without a display.
    if (const auto answered = AnswerWithoutWindow(argc, argv))
        return *answered;
    if (WantsHomeFolder(argc, argv) && !EnterHomeFolder())
        return 1;
    CVelloraApp app(argc, argv);
    return app.Run();
}
