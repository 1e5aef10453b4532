// Reads one MPP file through mppr::Project::read and prints, one per line:
//   result <the read's status>
//   generation <114, 112, 19, or none: the version storage chosen>
//   user_type <CompObj user type>
//   prog_id <ProgID as the model keeps it>
//   format_name <clipboard format name as the model keeps it>
//   tasks <the model's task count>
//   read_ms <milliseconds of the read>

#include "benchenv.h"
#include "mpprproject.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    disableUpdateCheck();
    if (argc != 2) {
        std::fprintf(stderr, "usage: mpp_info FILE\n");
        return 2;
    }
    mppr::Project project(QString::fromLocal8Bit(argv[1]));
    QElapsedTimer timer;
    timer.start();
    const int result = project.read();
    const qint64 ms = timer.elapsed();
    const QString generation = project.versionStorage().trimmed();
    std::printf("result %d\n", result);
    std::printf("generation %s\n", generation.isEmpty() ? "none" : qPrintable(generation));
    std::printf("user_type %s\n", qPrintable(project.userType()));
    std::printf("prog_id %s\n", qPrintable(project.progId()));
    std::printf("format_name %s\n", qPrintable(project.formatName()));
    std::printf("tasks %d\n", project.tasks().size());
    std::printf("read_ms %lld\n", static_cast<long long>(ms));
    return 0;
}
