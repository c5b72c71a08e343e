#include "cli/clioptions.h"

#include "cli/clitexts.h"
#include "protocol/factorydefaults.h"

#include <algorithm>

namespace quenda::cli {
namespace {
struct CommandName {
    const char *name;
    Command command;
};
constexpr CommandName kCommands[] = {{"ports", Command::Ports},
                                     {"read", Command::Read},
                                     {"write", Command::Write},
                                     {"defaults", Command::Defaults}};

// Options that take a value, and which commands accept them.
bool takesPort(Command c) { return c == Command::Read || c == Command::Write || c == Command::Defaults; }

Options failed(Options options, const QString &error)
{
    options.error = error;
    return options;
}
} // namespace

Options parseArguments(const QStringList &arguments)
{
    Options o;
    if (arguments.isEmpty())
        return failed(o, texts::noCommand());
    const QString &first = arguments.first();
    if (first == QLatin1String("-h") || first == QLatin1String("--help") ||
        first == QLatin1String("help")) {
        o.help = true;
        return o;
    }
    for (const CommandName &c : kCommands) {
        if (first == QLatin1String(c.name))
            o.command = c.command;
    }
    if (o.command == Command::None)
        return failed(o, texts::unknownCommand(first));

    QStringList positional;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        // "--port=7" and "--port 7" alike.
        QString name = arg;
        std::optional<QString> inlineValue;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(u'=')) {
            name = arg.section(u'=', 0, 0);
            inlineValue = arg.section(u'=', 1);
        }
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            o.help = true;
            continue;
        }
        if (name == QLatin1String("--port") && takesPort(o.command)) {
            const auto v = value();
            if (!v || v->isEmpty())
                return failed(o, texts::missingValue(name));
            o.port = *v;
        } else if (name == QLatin1String("--method") && takesPort(o.command)) {
            const auto v = value();
            if (!v)
                return failed(o, texts::missingValue(name));
            if (*v == QLatin1String("soft"))
                o.method = ConnectMethod::SoftDiagnostic;
            else if (*v == QLatin1String("poweron"))
                o.method = ConnectMethod::PowerOn;
            else
                return failed(o, texts::badMethod(*v));
        } else if ((name == QLatin1String("-o") || name == QLatin1String("--output")) &&
                   o.command == Command::Read) {
            const auto v = value();
            if (!v || v->isEmpty())
                return failed(o, texts::missingValue(name));
            o.output = *v;
        } else if (name == QLatin1String("--log") && o.command != Command::Ports) {
            const auto v = value();
            if (!v || v->isEmpty())
                return failed(o, texts::missingValue(name));
            o.log = *v;
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            return failed(o, texts::unknownOption(arg));
        } else {
            positional << arg;
        }
    }
    if (o.help)
        return o;

    const qsizetype wanted =
        (o.command == Command::Write || o.command == Command::Defaults) ? 1 : 0;
    if (positional.size() > wanted)
        return failed(o, texts::extraArgument(positional[wanted]));
    if (takesPort(o.command) && o.port.isEmpty())
        return failed(o, texts::portRequired());
    if (o.command == Command::Write) {
        if (positional.isEmpty())
            return failed(o, texts::profileRequired());
        o.file = positional.first();
    }
    if (o.command == Command::Defaults) {
        if (positional.isEmpty())
            return failed(o, texts::presetRequired());
        QString text = positional.first();
        if (text.startsWith(QLatin1String("AT&F"), Qt::CaseInsensitive))
            text = text.mid(4);
        bool ok = false;
        o.preset = text.toInt(&ok);
        const std::span<const int> presets = loadablePresets();
        if (!ok || std::find(presets.begin(), presets.end(), o.preset) == presets.end())
            return failed(o, texts::badPreset(positional.first()));
    }
    return o;
}

QString helpText(Command command)
{
    switch (command) {
    case Command::Ports: return texts::portsHelp();
    case Command::Read: return texts::readHelp();
    case Command::Write: return texts::writeHelp();
    case Command::Defaults: return texts::defaultsHelp();
    case Command::None: break;
    }
    return texts::programHelp();
}

} // namespace quenda::cli
