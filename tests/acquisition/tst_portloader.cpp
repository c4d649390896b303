#include "acquisition/channels.h"
#include "acquisition/portlibrary.h"
#include "acquisition/portlibrarylocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>

using namespace la;

namespace {

// The message of the PortError that call throws, or an empty string when it throws none.
template <typename Call> QString errorOf(Call call)
{
    try {
        call();
    } catch (const PortError &error) {
        return QString::fromStdString(error.what());
    }
    return {};
}

// Copies a built library into dir, so that each test loads an instance of its own.
QString copyOf(const char *library, const QTemporaryDir &dir, const QString &name = "libport.so")
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    if (!QFile::copy(library, path))
        qFatal("cannot copy %s", library);
    return path;
}

// A function of a library that is loaded already, or null when the library is not loaded.
void *loadedFunction(const QString &path, const char *name)
{
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return nullptr;
    void *function = dlsym(handle, name);
    dlclose(handle);
    return function;
}

} // namespace

class PortLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unloadableFileIsExplained_data();
    void unloadableFileIsExplained();
    void missingFunctionIsNamed_data();
    void missingFunctionIsNamed();
    void callsAndMessagesReachTheLibrary();
    void routeIsAskedOfTheLibrary_data();
    void routeIsAskedOfTheLibrary();
    void loadsAtFirstUseAndRetries_data();
    void loadsAtFirstUseAndRetries();
    void programFindsTheBuiltLibraries();
    void shippedLibrariesWork();

private:
    QTemporaryDir m_dir;
};

void PortLoaderTest::initTestCase()
{
    // A working library in the working directory, which relative paths must still not reach.
    copyOf(LA_TEST_RECORDING_LIB, m_dir, "libfake.so");
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void PortLoaderTest::unloadableFileIsExplained_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("problem");

    const QString notes = m_dir.filePath("notes.so");
    QFile file(notes);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a library\n") > 0);
    file.close();
    const QString program = QCoreApplication::applicationFilePath();

    QTest::newRow("missing file") << m_dir.filePath("absent.so")
                                  << m_dir.filePath("absent.so") + ": the file does not exist";
    QTest::newRow("directory") << m_dir.path() << m_dir.path() + ": it is a directory";
    QTest::newRow("text file") << notes
                               << notes + ": it is not a shared object this program can load (" +
                                      notes + ": ";
    QTest::newRow("program") << program
                             << program + ": it is not a shared object this program can load";
    QTest::newRow("bare file name") << "libfake.so"
                                    << "libfake.so: the path is relative, and a port library is "
                                       "loaded only from an absolute path";
    QTest::newRow("relative path") << "./libfake.so"
                                   << "./libfake.so: the path is relative";
}

void PortLoaderTest::unloadableFileIsExplained()
{
    QFETCH(QString, path);
    QFETCH(QString, problem);

    PortLibrary library(QFile::encodeName(path).toStdString());
    const QString error = errorOf([&] { library.inp32(); });
    QVERIFY2(error.startsWith("Cannot load the port library " + problem), qPrintable(error));
    QVERIFY2(error.contains("--port-library PATH") && error.contains("--simulate"),
             qPrintable(error));
    QCOMPARE(errorOf([&] { library.out32(); }), error);
}

void PortLoaderTest::missingFunctionIsNamed_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<bool>("lacksInp32");

    QTest::newRow("lacks Inp32") << LA_TEST_NO_INP32_LIB << true;
    QTest::newRow("lacks Out32") << LA_TEST_NO_OUT32_LIB << false;
}

void PortLoaderTest::missingFunctionIsNamed()
{
    QFETCH(QString, library);
    QFETCH(bool, lacksInp32);

    PortLibrary port(library.toStdString());
    auto missing = [&] { lacksInp32 ? (void)port.inp32() : (void)port.out32(); };
    auto present = [&] { lacksInp32 ? (void)port.out32() : (void)port.inp32(); };
    const QString error = errorOf(missing);
    const QString expected = "The port library " + library + " has no function " +
                             (lacksInp32 ? "Inp32" : "Out32") + ": it is not a port library";
    QVERIFY2(error.startsWith(expected) && error.contains("--port-library PATH"),
             qPrintable(error));
    // The function the library has still works, and the missing one still fails after it.
    QCOMPARE(errorOf(present), QString());
    QCOMPARE(errorOf(missing), error);
}

void PortLoaderTest::callsAndMessagesReachTheLibrary()
{
    QTemporaryDir dir;
    const QString path = copyOf(LA_TEST_RECORDING_LIB, dir);
    PortLibrary library(path.toStdString());

    QCOMPARE(library.inp32()(0x379), std::int16_t(0x79));
    library.out32()(0x378, 0xA5);
    const auto calls = reinterpret_cast<const char *(*)()>(loadedFunction(path, "TestPortCalls"));
    QCOMPARE(QString(calls()), QString("in 889;out 888 165;"));

    QCOMPARE(library.takeLastError(), std::string());
    reinterpret_cast<void (*)(const char *)>(loadedFunction(path, "TestPortFail"))("unplugged");
    QCOMPARE(library.takeLastError(), std::string("unplugged"));
    QCOMPARE(library.takeLastError(), std::string());

    PortLibrary withoutMessages(LA_TEST_NO_OUT32_LIB);
    withoutMessages.inp32();
    QCOMPARE(withoutMessages.takeLastError(), std::string());
    // A library that cannot say where its reads come from is named by its file.
    QCOMPARE(library.source(0x379), "the port library " + path.toStdString());
}

void PortLoaderTest::routeIsAskedOfTheLibrary_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("failure");  // what PortLastError says
    QTest::addColumn<QString>("expected"); // data, control, modes; or the PortError

    const QString recording = LA_TEST_RECORDING_LIB;
    // clang-format off
    QTest::newRow("ppdev with TRISTATE") << recording << DataPinsReadable << "" << "data - PCSPP,TRISTATE";
    QTest::newRow("unreachable, said why") << recording << -1 << "unplugged" << "unplugged";
    QTest::newRow("no PortInputs: direct access") << QString(LA_TEST_NO_OUT32_LIB) << 0 << "" << "data control";
    // clang-format on
}

void PortLoaderTest::routeIsAskedOfTheLibrary()
{
    QFETCH(QString, library);
    QFETCH(int, answer);
    QFETCH(QString, failure);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = copyOf(qPrintable(library), dir);
    PortLibrary port(path.toStdString());
    port.inp32();
    if (auto answerWith =
            reinterpret_cast<void (*)(int, const char *)>(loadedFunction(path, "TestPortInputs"))) {
        answerWith(answer, answer == DataPinsReadable ? "PCSPP,TRISTATE" : nullptr);
        if (!failure.isEmpty())
            reinterpret_cast<void (*)(const char *)>(loadedFunction(path, "TestPortFail"))(
                qPrintable(failure));
    }
    QString said;
    try {
        const RouteInputs route = port.inputs(0x37A);
        said = QString(route.dataPins ? "data" : "-") + (route.controlPins ? " control" : " -") +
               (route.kernelModes ? " " + QString::fromStdString(*route.kernelModes) : "");
    } catch (const PortError &error) {
        said = QString(error.what()).replace(path, "PATH");
    }
    QCOMPARE(said, expected);
}

void PortLoaderTest::loadsAtFirstUseAndRetries_data()
{
    QTest::addColumn<QString>("firstFile"); // empty: no file at first

    QTest::newRow("file appears later") << QString();
    QTest::newRow("library without Inp32 replaced") << QString(LA_TEST_NO_INP32_LIB);
}

void PortLoaderTest::loadsAtFirstUseAndRetries()
{
    QFETCH(QString, firstFile);

    QTemporaryDir dir;
    const QString path = dir.filePath("libport.so");
    if (!firstFile.isEmpty())
        copyOf(qPrintable(firstFile), dir);
    PortLibrary library(path.toStdString());
    QCOMPARE(library.takeLastError(), std::string());
    QVERIFY2(!loadedFunction(path, "Out32"), "loaded before the first call");
    QVERIFY(!errorOf([&] { library.inp32(); }).isEmpty());

    copyOf(LA_TEST_RECORDING_LIB, dir);
    QCOMPARE(errorOf([&] { library.inp32(); }), QString());
    QCOMPARE(library.inp32()(0x27A), std::int16_t(0x7A));
}

void PortLoaderTest::programFindsTheBuiltLibraries()
{
    const QString dir = QString::fromStdString(portLibraryDirBeside(LA_TEST_PROGRAM_DIR "/x"));
    QCOMPARE(dir + "/" + kHardwarePortLibrary, QFileInfo(LA_TEST_HARDWARE_LIB).canonicalFilePath());
    QCOMPARE(dir + "/" + kSimulatedPortLibrary,
             QFileInfo(LA_TEST_SIMULATED_LIB).canonicalFilePath());
}

void PortLoaderTest::shippedLibrariesWork()
{
    PortLibrary simulated(LA_TEST_SIMULATED_LIB);
    const Inp32Fn in = simulated.inp32();
    // Reads are a microsecond apart and the counter steps every 50 us: 200 reads see it move.
    QSet<int> statuses;
    for (int i = 0; i < 200; ++i)
        statuses.insert(in(0x379));
    QVERIFY(statuses.size() > 1);
    simulated.out32()(0x378, 0xA5);
    QCOMPARE(in(0x378), std::int16_t(0xA5));
    const RouteInputs route = simulated.inputs(0x37A);
    QVERIFY(route.dataPins && route.controlPins && !route.kernelModes);
    QCOMPARE(simulated.source(std::int16_t(0xD011)),
             std::string("an empty bus (the simulated probe answers at 0x378, 0x3BC and 0x278 "
                         "only)"));

    // With or without a reachable port here, a read succeeds or leaves a message.
    PortLibrary hardware(LA_TEST_HARDWARE_LIB);
    if (hardware.inp32()(0x379) == -1) {
        const QString message = QString::fromStdString(hardware.takeLastError());
        QVERIFY2(message.contains("parallel port at 0x379") && message.contains("--simulate"),
                 qPrintable(message));
    }
}

QTEST_GUILESS_MAIN(PortLoaderTest)
#include "tst_portloader.moc"
