#include "cli/cliargs.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

#include <QCommandLineParser>
#include <QStringList>

#include "link/comport.h"

namespace {

bool parseNumber(std::string_view s, unsigned long max, unsigned& out)
{
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    unsigned long v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty() || v > max)
        return false;
    out = unsigned(v);
    return true;
}

// Every option of the program, once: its names, its value and its line in the help.
struct OptionDef {
    const char* name;  // long name
    const char* shortName;
    const char* value;  // nullptr: a switch
    const char* help;
};
const OptionDef kOptions[] = {
    {"port", "p", "ПОРТ",
     "COMn, путь устройства, путь /dev/serial/by-id, серийный номер USB-адаптера\n"
     "или сетевой порт tcp://УЗЕЛ:ПОРТ, rfc2217://УЗЕЛ:ПОРТ;\n"
     "несколько раз или A,B,C: несколько шин сразу, каждая в своём потоке"},
    {"addr", "a", "АДРЕС", "адрес устройства 0..32767 (по умолчанию 32767); списки и диапазоны 3,5,7-9"},
    {"baud", "b", "N", "скорость линии (по умолчанию 115200)"},
    {"timeout", nullptr, "МС", "тайм-аут на байт, мс (по умолчанию 120; scan: 30)"},
    {"retries", nullptr, "N", "попыток на команду (по умолчанию 3; scan: 1)"},
    {"block-size", nullptr, "N", "блок внешней памяти: 4, 8, 16, 32, 64, 128, 256 (по умолчанию), 512, 528, 1056"},
    {"verify", nullptr, nullptr, "прочитать и сравнить после записи"},
    {"no-verify", nullptr, nullptr, "не сравнивать после записи"},
    {"run", nullptr, nullptr, "запустить программу (команда 1) после проверенной записи"},
    {"old-reset", nullptr, nullptr, "сброс командой 0, для загрузчиков версии 5.1 и ниже"},
    {"db", nullptr, "ФАЙЛ", "файл базы данных"},
    {"card", nullptr, "ИМЯ", "карта памяти по имени"},
    {"route", nullptr, "N", "номер маршрута в карте (с 1)"},
    {"sheet", nullptr, "N", "лист таблицы (с 1, по умолчанию 1)"},
    {"format", nullptr, "gpx|kml", "формат экспорта (по умолчанию по расширению файла)"},
    {"catalog", nullptr, "ФАЙЛ",
     "каталог микроконтроллеров (по умолчанию mcu.xml рядом с программой,\n"
     "затем в установленной папке данных, затем в папке данных пользователя)"},
    {"trace", nullptr, "ФАЙЛ", "записать каждый кадр со временем, направлением и исходом в ФАЙЛ"},
    {"quiet", "q", nullptr, "выводить только ошибки"},
    {"verbose", "v", nullptr, "выводить каждый кадр, как вкладка консоли"},
    {"json", nullptr, nullptr, "по объекту JSON в строке на stdout: ход работы и результаты"},
    {"help", "h", nullptr, "эта справка; после команды — справка команды"},
    {"version", nullptr, nullptr, "версия программы"},
};

// Options every command takes.
const std::vector<std::string_view> kCommon = {"help", "version", "quiet", "json"};
// Options of every command that talks to a device.
const std::vector<std::string_view> kLink = {"port",    "addr",  "baud",    "timeout",
                                             "retries", "trace", "verbose", "catalog"};

struct CommandDef {
    const char* name;
    const char* usage;  // lines after "zevanta-cli "
    const char* about;
    std::vector<std::string_view> options;  // besides kCommon
    const char* examples;
};
const CommandDef kCommands[] = {
    {"ports",
     "ports",
     "Последовательные порты: COMn, путь устройства, а для USB-адаптеров код\n"
     "производителя:изделия, производитель, изделие, серийный номер и постоянный путь\n"
     "/dev/serial/by-id.",
     {},
     "zevanta-cli ports\nzevanta-cli ports --json"},
    {"identify", "identify -p ПОРТ [-a АДРЕС]", "Опознать устройство (команда 113) и вывести всё, что оно сообщает.",
     kLink, "zevanta-cli identify -p COM33 -a 5"},
    {"scan", "scan -p ПОРТ [-a 1-254]",
     "Опросить каждый адрес один раз с коротким тайм-аутом и вывести таблицу ответивших устройств\n"
     "(адрес, режим, версия, микроконтроллер, строка имени).",
     kLink, "zevanta-cli scan -p /dev/ttyUSB0 -a 1-32"},
    {"send", "send КОМАНДА [БАЙТ...] -p ПОРТ [-a АДРЕС]",
     "Послать одну команду с данными, каждый байт — одна или две шестнадцатеричные цифры.", kLink,
     "zevanta-cli send 06 47 -p COM33 -a 2"},
    {"mode",
     "mode boot|app|reset -p ПОРТ [-a АДРЕСА] [--old-reset]",
     "Запустить загрузчик (команда 2), рабочую программу (команда 1) или сбросить устройство\n"
     "(команда 8; с --old-reset команда 0), затем проверить режим, о котором сообщает устройство.",
     {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog", "old-reset", "db"},
     "zevanta-cli mode boot -p COM33 -a 3,5"},
    {"flash",
     "flash write ФАЙЛ.hex -p ПОРТ [-a АДРЕСА] [--no-verify] [--run]\n"
     "flash verify ФАЙЛ.hex -p ПОРТ [-a АДРЕСА]\n"
     "flash read ФАЙЛ.hex -p ПОРТ [-a АДРЕС]",
     "Записать, сравнить или прочитать память программ через загрузчик. После записи память\n"
     "сравнивается (кроме --no-verify), затем --run запускает программу. Несколько адресов (3,5,7-9\n"
     "или all: список устройств из --db) и несколько портов пишутся за один запуск, по строке\n"
     "результата на устройство, затем итог; код выхода 1, если хоть одно не удалось.",
     {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog", "verify", "no-verify", "run", "db"},
     "zevanta-cli flash write fw.hex -p COM33 -a 3,5,7-9 --run\n"
     "zevanta-cli flash write fw.hex -p COM33,COM34 -a all --db Zevanta.db"},
    {"extmem",
     "extmem write ФАЙЛ -p ПОРТ [-a АДРЕСА] [--verify]\n"
     "extmem verify ФАЙЛ -p ПОРТ [-a АДРЕСА]\n"
     "extmem read ФАЙЛ -p ПОРТ [-a АДРЕС]",
     "Записать, сравнить или прочитать внешнюю память (ФАЙЛ.hex: Intel HEX, иначе двоичный).\n"
     "Файл пишет и сравнивает только свои байты, с адреса 0.",
     {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog", "verify", "no-verify", "block-size",
      "db"},
     "zevanta-cli extmem verify data.bin -p COM33 -a 5"},
    {"routes",
     "routes write --db ФАЙЛ --card ИМЯ -p ПОРТ [-a АДРЕС]\n"
     "routes read --db ФАЙЛ --card ИМЯ -p ПОРТ [-a АДРЕС]\n"
     "routes import ФАЙЛ --db ФАЙЛ --card ИМЯ --route N [--sheet N]\n"
     "routes export ФАЙЛ --db ФАЙЛ --card ИМЯ [--route N] [--format gpx|kml]",
     "Упаковать карту и записать её в блок маршрутов, прочитать маршруты блока в карту,\n"
     "добавить повороты из таблицы (.xls, .xlsx, .ods, .csv) в маршрут или выгрузить маршруты\n"
     "карты (с --route один) в GPX или KML: линия через повороты, начало и конец каждого\n"
     "поворота точкой с именем, градусы с 7 знаками.",
     {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog", "db", "card", "route", "sheet",
      "format"},
     "zevanta-cli routes write --db depot.db --card \"Депо Южное\" -p COM33 -a 6"},
};

const OptionDef* findOption(std::string_view name)
{
    for (const OptionDef& o : kOptions)
        if (name == o.name)
            return &o;
    return nullptr;
}

const CommandDef* findCommand(std::string_view name)
{
    for (const CommandDef& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

bool takes(const CommandDef& c, std::string_view option)
{
    return std::find(kCommon.begin(), kCommon.end(), option) != kCommon.end() ||
           std::find(c.options.begin(), c.options.end(), option) != c.options.end();
}

std::string indent(std::string_view text, const std::string& prefix)
{
    std::string out = prefix;
    for (char ch : text) {
        out += ch;
        if (ch == '\n')
            out += prefix;
    }
    return out;
}

std::string optionLines(const std::vector<std::string_view>& names)
{
    std::string out;
    for (std::string_view n : names) {
        const OptionDef* o = findOption(n);
        std::string head =
            o->shortName ? std::string("-") + o->shortName + ", --" + o->name : std::string("    --") + o->name;
        if (o->value)
            head += std::string(" ") + o->value;
        // Padded by characters, not bytes: value names are Cyrillic.
        const size_t width =
            size_t(std::count_if(head.begin(), head.end(), [](char ch) { return (ch & 0xC0) != 0x80; }));
        head.append(std::max<size_t>(2, 24 - std::min<size_t>(width, 22)), ' ');
        out += "  " + head + indent(o->help, std::string(26, ' ')).substr(26) + "\n";
    }
    return out;
}

}  // namespace

std::string CliHelp(const std::string& command)
{
    if (command.empty()) {
        std::string out = "вызов: zevanta-cli КОМАНДА [АРГУМЕНТЫ] [КЛЮЧИ]\n\nкоманды:\n";
        for (const CommandDef& c : kCommands)
            out += indent(c.usage, "  ") + "\n";
        std::vector<std::string_view> all;
        for (const OptionDef& o : kOptions)
            all.push_back(o.name);
        out += "\nключи (каждая команда принимает те, что перечисляет её --help):\n" + optionLines(all);
        out +=
            "\nКлючи стоят где угодно, как --ключ значение или --ключ=значение.\n"
            "zevanta-cli КОМАНДА --help — справка команды.\n"
            "\nкоды выхода (в JSON то же слово в \"outcome\"):\n"
            "  0    ok           готово\n"
            "  1    failed       устройство или линия: нет ответа, отказ, порт, связь потеряна\n"
            "  2    usage        неверная команда или ключ\n"
            "  3    different    сравнение нашло различия (проверка после записи, verify)\n"
            "  4    file         файл не прочитан, не записан или отвергнут\n"
            "  130  interrupted  прервано: Ctrl+C, SIGTERM или SIGHUP (запись останавливается\n"
            "                    на следующем блоке)\n"
            "С несколькими устройствами — самый серьёзный из встреченных: 130, 2, 4, 1, 3, 0.\n";
        return out;
    }
    const CommandDef* c = findCommand(command);
    if (!c)
        return {};
    std::vector<std::string_view> names = c->options;
    names.insert(names.end(), kCommon.begin(), kCommon.end());
    std::string lines = indent(c->usage, "zevanta-cli ");
    for (size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at + 1))
        lines.insert(at + 1, "       ");
    return "вызов: " + lines + "\n\n" + c->about + "\n\nключи:\n" + optionLines(names) + "\nпример:\n" +
           indent(c->examples, "  ") + "\n";
}

std::optional<std::vector<unsigned>> ParseAddrList(const std::string& text, std::string& error)
{
    std::vector<unsigned> out;
    std::string_view rest = text;
    while (true) {
        const size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const size_t dash = item.find('-');
        unsigned lo = 0, hi = 0;
        const bool ok = dash == std::string_view::npos ? parseNumber(item, 0x7FFF, lo) && (hi = lo, true)
                                                       : parseNumber(item.substr(0, dash), 0x7FFF, lo) &&
                                                             parseNumber(item.substr(dash + 1), 0x7FFF, hi) && lo <= hi;
        if (!ok) {
            error = "--addr принимает адреса 0..32767, диапазоны и списки (3,5,7-9) или all, а не \"" + text + "\"";
            return std::nullopt;
        }
        for (unsigned a = lo; a <= hi; ++a)
            if (std::find(out.begin(), out.end(), a) == out.end())
                out.push_back(a);
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return out;
}

std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& argv, std::string& error)
{
    CliArgs a;
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    p.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    std::vector<QCommandLineOption> options;
    for (const OptionDef& o : kOptions) {
        QStringList names{QString::fromLatin1(o.name)};
        if (o.shortName)
            names.prepend(QString::fromLatin1(o.shortName));
        options.emplace_back(names, QString(), o.value ? QString::fromLatin1(o.value) : QString());
        p.addOption(options.back());
    }
    auto opt = [&](std::string_view name) -> const QCommandLineOption& {
        return options[size_t(findOption(name) - kOptions)];
    };
    auto text = [&](std::string_view name) { return p.value(opt(name)).toLocal8Bit().toStdString(); };

    QStringList args{QStringLiteral("zevanta-cli")};
    for (const std::string& s : argv)
        args << QString::fromLocal8Bit(s.c_str());
    if (!p.parse(args)) {
        // Qt's own text is English; the names it means are known.
        const QStringList unknown = p.unknownOptionNames();
        error = unknown.isEmpty()
                    ? "после ключа нужно значение: " + p.errorText().section(QLatin1Char('\''), 1, 1).toStdString()
                    : "неизвестный ключ " + std::string(unknown.front().size() == 1 ? "-" : "--") +
                          unknown.front().toStdString();
        return std::nullopt;
    }
    a.help = p.isSet(opt("help"));
    a.version = p.isSet(opt("version"));
    for (const QString& s : p.positionalArguments())
        a.positional.push_back(s.toLocal8Bit().toStdString());
    if (a.help || a.version)
        return a;

    // Options the command does not take would otherwise be ignored without a word.
    if (!a.positional.empty()) {
        if (const CommandDef* c = findCommand(a.positional[0])) {
            for (const OptionDef& o : kOptions)
                if (p.isSet(opt(o.name)) && !takes(*c, o.name)) {
                    error = std::string("--") + o.name + " не относится к команде " + c->name;
                    return std::nullopt;
                }
        }
    }
    // One value each: a second one would silently win otherwise. Only --port may repeat.
    for (const OptionDef& o : kOptions) {
        if (o.value && std::string_view(o.name) != "port" && p.values(opt(o.name)).size() > 1) {
            error = std::string("--") + o.name + " задан больше одного раза";
            return std::nullopt;
        }
    }
    for (const QString& v : p.values(opt("port"))) {
        for (const QString& one : v.split(QLatin1Char(','))) {
            if (one.isEmpty()) {
                error = "--port требует имя порта, а не пустую строку";
                return std::nullopt;
            }
            const std::string name = one.toLocal8Bit().toStdString();
            if (std::find(a.ports.begin(), a.ports.end(), name) != a.ports.end()) {
                error = "--port " + name + " задан дважды";
                return std::nullopt;
            }
            a.ports.push_back(name);
        }
    }
    if (!a.ports.empty())
        a.port = a.ports.front();

    if (p.isSet(opt("addr"))) {
        a.addrSet = true;
        const std::string v = text("addr");
        if (v == "all") {
            a.addrAll = true;
        } else {
            const auto list = ParseAddrList(v, error);
            if (!list)
                return std::nullopt;
            a.addrs = *list;
            a.addr = list->front();
        }
    }
    if (a.addrs.empty())
        a.addrs = {a.addr};

    if (p.isSet(opt("verify")) && p.isSet(opt("no-verify"))) {
        error = "--verify и --no-verify исключают друг друга";
        return std::nullopt;
    }
    if (p.isSet(opt("verify")) || p.isSet(opt("no-verify")))
        a.verify = p.isSet(opt("verify"));
    a.run = p.isSet(opt("run"));
    a.oldReset = p.isSet(opt("old-reset"));
    a.quiet = p.isSet(opt("quiet"));
    a.verbose = p.isSet(opt("verbose"));
    a.json = p.isSet(opt("json"));
    if (a.quiet && a.verbose) {
        error = "--quiet и --verbose исключают друг друга";
        return std::nullopt;
    }
    a.db = text("db");
    a.card = text("card");
    a.trace = text("trace");
    a.catalog = text("catalog");
    a.format = text("format");
    for (const char* name : {"db", "card", "trace", "catalog", "format"}) {
        if (p.isSet(opt(name)) && p.value(opt(name)).isEmpty()) {
            error = std::string("--") + name + " требует значения";
            return std::nullopt;
        }
    }

    struct NumOpt {
        const char* name;
        unsigned* target;
        unsigned long min, max;
        const char* rule;
    };
    const NumOpt numeric[] = {
        {"baud", &a.baud, 1, 4000000, "— скорость от 1 до 4000000"},
        // 0 would mean waiting for ever, and never asking.
        {"timeout", &a.timeoutMs, 1, 65535, "— не меньше 1 мс (не больше 65535)"},
        {"retries", &a.retries, 1, 255, "— не меньше 1 (не больше 255)"},
        {"block-size", &a.blockSize, 4, 1056, "— одно из 4, 8, 16, 32, 64, 128, 256, 512, 528, 1056"},
        {"route", &a.route, 1, 65535, "— число от 1"},
        {"sheet", &a.sheet, 1, 65535, "— число от 1"}};
    for (const NumOpt& n : numeric) {
        if (!p.isSet(opt(n.name)))
            continue;
        unsigned v = 0;
        if (!parseNumber(text(n.name), n.max, v) || v < n.min) {
            error = std::string("--") + n.name + " " + n.rule;
            return std::nullopt;
        }
        *n.target = v;
    }
    a.timeoutSet = p.isSet(opt("timeout"));
    a.retriesSet = p.isSet(opt("retries"));
    // The sizes the options dialog offers.
    static constexpr unsigned kBlockSizes[] = {4, 8, 16, 32, 64, 128, 256, 512, 528, 1056};
    if (std::find(std::begin(kBlockSizes), std::end(kBlockSizes), a.blockSize) == std::end(kBlockSizes)) {
        error = "--block-size — одно из 4, 8, 16, 32, 64, 128, 256, 512, 528, 1056";
        return std::nullopt;
    }
    return a;
}
