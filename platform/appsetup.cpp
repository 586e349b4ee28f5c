#include "platform/appsetup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QResource>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>

#include "platform/portmap.h"

#ifndef TANKCFG_VERSION
#error "TANKCFG_VERSION comes from the project version in CMakeLists.txt"
#endif

void PrepareApplication() { std::signal(SIGXFSZ, SIG_IGN); }

namespace {
struct Parser {
    QCommandLineParser p;
    QCommandLineOption help, version, ports, userFolder;
    explicit Parser(const ProgramIdentity& program)
        : help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help and ends.")),
          version({QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Shows the version and ends.")),
          ports(QStringLiteral("ports"),
                QStringLiteral("Lists COM1 to COM16: the device each stands for, whether it exists, "
                               "its USB adapter and whether you may open it; then ends.")),
          userFolder(QStringLiteral("user-folder"),
                     QStringLiteral("Works in your own folder %1, created with its data and log "
                                    "subfolders; the desktop menu starts the program so. Without it "
                                    "the program works in the current directory.")
                         .arg(QDir::toNativeSeparators(UserFolderPath(program)))) {
        p.setApplicationDescription(QString::fromUtf8(program.summary));
        p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        p.addOptions({help, version, ports, userFolder});
    }
};
}  // namespace

CommandLine ReadCommandLine(const QStringList& args, const ProgramIdentity& program, bool strict) {
    Parser parser(program);
    CommandLine cl;
    const bool ok = parser.p.parse(args);
    if (parser.p.isSet(parser.help))
        cl.action = CommandLine::Action::Help;
    else if (parser.p.isSet(parser.version))
        cl.action = CommandLine::Action::Version;
    else if (parser.p.isSet(parser.ports))
        cl.action = CommandLine::Action::Ports;
    else if (strict && (!ok || !parser.p.positionalArguments().isEmpty())) {
        cl.action = CommandLine::Action::Error;
        cl.error = !ok ? parser.p.errorText()
                       : QStringLiteral("Unexpected argument '%1'.").arg(parser.p.positionalArguments().constFirst());
    }
    cl.userFolder = parser.p.isSet(parser.userFolder);
    return cl;
}

QString HelpText(const ProgramIdentity& program) {
    Parser parser(program);
    QString text = parser.p.helpText();
    // The usage line names the command, not the path it was started by.
    const QString usage = QStringLiteral("Usage: ");
    if (text.startsWith(usage)) {
        const qsizetype end = text.indexOf(QLatin1Char(' '), usage.size());
        text.replace(usage.size(), end - usage.size(), QString::fromUtf8(program.command));
    }
    return text;
}

QString VersionText(const ProgramIdentity& program) {
    return QStringLiteral("%1 %2\n").arg(QString::fromUtf8(program.command), QStringLiteral(TANKCFG_VERSION));
}

std::optional<int> AnswerCommandLine(int argc, char** argv, const ProgramIdentity& program) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const CommandLine cl = ReadCommandLine(args, program, false);
    if (cl.action == CommandLine::Action::Run) return std::nullopt;
    // A plain application object: these answers need no display.
    QCoreApplication core(argc, argv);
    QString out;
    switch (cl.action) {
    case CommandLine::Action::Help: out = HelpText(program); break;
    case CommandLine::Action::Version: out = VersionText(program); break;
    case CommandLine::Action::Ports: out = ComPortsReport(); break;
    case CommandLine::Action::Run:
    case CommandLine::Action::Error: break;
    }
    std::fputs(out.toLocal8Bit().constData(), stdout);
    return 0;
}

QString UserFolderPath(const ProgramIdentity& program) {
    const QString home = QDir::homePath();
    QString base = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // A documents folder set to the home folder would put the files at its root.
    if (base.isEmpty() || QDir(base) == QDir(home)) base = home + QStringLiteral("/Documents");
    return QDir(base).filePath(QString::fromUtf8(program.folderName));
}

QString EnterUserFolder(const ProgramIdentity& program) {
    const QString path = UserFolderPath(program);
    QDir dir(path);
    for (const char* sub : {"data", "log"}) {
        if (!dir.mkpath(QString::fromLatin1(sub)))
            return QStringLiteral("Cannot create the folder %1.")
                .arg(QDir::toNativeSeparators(dir.filePath(QString::fromLatin1(sub))));
    }
    if (!QDir::setCurrent(path))
        return QStringLiteral("Cannot work in the folder %1.").arg(QDir::toNativeSeparators(path));
    return {};
}

StartOutcome DressApplication(const ProgramIdentity& program, const QStringList& args) {
    StartOutcome outcome;
    QCoreApplication::setApplicationName(QString::fromUtf8(program.command));
    QCoreApplication::setApplicationVersion(QStringLiteral(TANKCFG_VERSION));
    const QString id = QString::fromUtf8(program.desktopId);
    QGuiApplication::setDesktopFileName(id);
    QIcon icon;
    // Raw pixels drawn at build time: reading an image file would load the image plugins.
    for (const int size : {16, 24, 32, 48, 64}) {
        const QResource raw(QStringLiteral(":/icons/%1-%2.argb").arg(id).arg(size));
        if (raw.isValid() && raw.compressionAlgorithm() == QResource::NoCompression &&
            raw.size() == qint64(size) * size * 4)
            icon.addPixmap(QPixmap::fromImage(
                QImage(raw.data(), size, size, size * 4, QImage::Format_ARGB32_Premultiplied).copy()));
    }
    QGuiApplication::setWindowIcon(icon);
    const CommandLine cl = ReadCommandLine(args, program, true);
    if (cl.action == CommandLine::Action::Error) {
        std::fprintf(stderr, "%s\n%s", qPrintable(cl.error), qPrintable(HelpText(program)));
        outcome.exitCode = 1;
        return outcome;
    }
    if (cl.userFolder) outcome.folderError = EnterUserFolder(program);
    return outcome;
}
