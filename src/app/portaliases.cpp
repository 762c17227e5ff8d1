#include "app/portaliases.h"

#include "base/messages.h"
#include "link/comport.h"
#include "link/telnet.h"

namespace PortAliases {

bool Parse(const QString& text, int* number, QString* path, QString* error)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    const QString name = (eq < 0 ? text : text.left(eq)).trimmed();
    const QString target = eq < 0 ? QString() : text.mid(eq + 1).trimmed();
    bool ok = false;
    const int n = name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? name.mid(3).toInt(&ok) : 0;
    if (!ok || n < PortMap::kFirstAlias || n > PortMap::kLastAlias) {
        if (error)
            *error = QStringLiteral("%1: the alias must be COM%2..COM%3")
                         .arg(text)
                         .arg(PortMap::kFirstAlias)
                         .arg(PortMap::kLastAlias);
        return false;
    }
    if (target.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1: no device path after '='").arg(text);
        return false;
    }
    *number = n;
    *path = target;
    return true;
}

int LoadFromSettings(QSettings& store)
{
    int applied = 0;
    store.beginGroup(QStringLiteral("COM-port/Alias"));
    for (const QString& key : store.childKeys()) {
        int n = 0;
        QString path;
        if (Parse(key + QLatin1Char('=') + store.value(key).toString(), &n, &path, nullptr)) {
            PortMap::SetAlias(n, path.toStdString());
            ++applied;
        }
    }
    store.endGroup();
    return applied;
}

bool ApplyArguments(const QStringList& arguments, QString* error)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString value;
        if (arguments[i] == Option) {
            if (i + 1 >= arguments.size()) {
                if (error)
                    *error = QStringLiteral("%1 needs COMn=PATH").arg(Option);
                return false;
            }
            value = arguments[++i];
        } else if (arguments[i].startsWith(Option + QLatin1Char('='))) {
            value = arguments[i].mid(Option.size() + 1);
        } else {
            continue;
        }
        int n = 0;
        QString path;
        if (!Parse(value, &n, &path, error))
            return false;
        PortMap::SetAlias(n, path.toStdString());
    }
    return true;
}

int StoreNetPort(QSettings& store, const QString& address, int preferred, QString* error)
{
    const std::string wanted = address.trimmed().toStdString();
    if (!ParseNetAddress(wanted)) {
        if (error)
            *error = Msg::NetBadAddress.arg(address.trimmed());
        return 0;
    }
    const std::map<int, std::string> taken = PortMap::Aliases();
    int number = 0;
    for (const auto& [n, path] : taken)
        if (path == wanted)
            number = n;
    const auto mine = taken.find(preferred);
    if (number == 0 && mine != taken.end() && IsNetPortName(mine->second))
        number = preferred;
    for (int n = PortMap::kFirstAlias; number == 0 && n <= PortMap::kLastAlias; ++n)
        if (!taken.contains(n))
            number = n;
    if (number == 0) {
        if (error)
            *error = Msg::NetNoFreeAlias.arg(PortMap::kFirstAlias).arg(PortMap::kLastAlias);
        return 0;
    }
    store.setValue(QStringLiteral("COM-port/Alias/COM%1").arg(number), QString::fromStdString(wanted));
    store.sync();
    PortMap::SetAlias(number, wanted);
    return number;
}

}  // namespace PortAliases
