// Threads: UI thread only. QtDBus delivers method calls and property reads to the thread of
// the adaptors' parent object, which lives on the UI thread; the program state and the engine
// are read there, the state's announcements arrive there, and PropertiesChanged is sent from
// there. While a handler waits on the site (platform/gui/answering_wait.h) property reads are
// answered at once and commands are held until the clicks made before them have been
// delivered.
#include "app/media_controls.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>
#include <algorithm>
#include <cmath>

#include "app/main_window.h"
#include "app/slide_away_exit.h"
#include "platform/gui/answering_wait.h"
#include "player/audio_calls.h"
#include "player/playback_control.h"
#include "state/program_state.h"
#include "web/charset.h"

namespace veldo {
namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
// While a sound plays, how often its length and its end are looked for.
constexpr int kPlayingPollMs = 500;

// What the Player interface reports that can change.
struct PlayerView {
    QString status;
    QVariantMap metadata;
    bool operator==(const PlayerView&) const = default;
};

QString Utf8(const Text& gbk) {
    return QString::fromStdString(GbkToUtf8(gbk));
}

// Microseconds in a stream of `bytes`; -1 when the engine cannot tell.
qlonglong Microseconds(HSTREAM stream, QWORD bytes) {
    if (bytes == kUnknownBytes) return -1;
    const double seconds = Audio().channelBytes2Seconds(stream, bytes);
    return seconds >= 0 ? qlonglong(std::llround(seconds * 1e6)) : -1;
}

class MediaControls : public QObject {
    Q_OBJECT
  public:
    MediaControls(MainWindow& window, const QDBusConnection& bus)
        : QObject(&window), window_(window), bus_(bus) {
        poll_.setInterval(kPlayingPollMs);
        connect(&poll_, &QTimer::timeout, this, &MediaControls::Refresh);
        // What the bus shows follows the sound and what the player does with its stream.
        ProgramStateSignals& state = ProgramStateEvents();
        connect(&state, &ProgramStateSignals::currentSoundChanged, this, &MediaControls::Refresh);
        connect(&state, &ProgramStateSignals::currentStreamChanged, this,
                &MediaControls::Refresh);
    }

    ~MediaControls() override {
        if (!busName_.isEmpty()) bus_.unregisterService(busName_);
        bus_.unregisterObject(kObjectPath);
    }

    bool Register() {
        if (!bus_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) return false;
        busName_ = QString::fromLatin1(kMediaPlayerBusName);
        if (!bus_.registerService(busName_)) {
            busName_ +=
                QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
            if (!bus_.registerService(busName_)) {
                busName_.clear();
                return false;
            }
        }
        sent_ = Read();
        return true;
    }

    MainWindow& Window() { return window_; }

    PlayerView View() {
        Refresh();
        return sent_;
    }

    qlonglong PositionMicroseconds() const {
        return std::max<qlonglong>(
            0,
            Microseconds(currentStream, Audio().channelGetPosition(currentStream, BASS_POS_BYTE)));
    }

    // Runs `command` now, or after the wait in progress and the input held during it.
    void Command(void (MediaControls::*command)()) {
        RunAfterWait([self = QPointer<MediaControls>(this), command] {
            if (self) (self.data()->*command)();
        });
    }

    // The same paths as the buttons: play resumes or starts, pause pauses, stop resets.
    void Play() {
        if (Read().status != QLatin1String("Playing")) PlayCurrentSound();
        Refresh();
    }
    void Pause() {
        if (Read().status == QLatin1String("Playing")) PausePlayback();
        Refresh();
    }
    void PlayPause() {
        if (Read().status == QLatin1String("Playing"))
            PausePlayback();
        else
            PlayCurrentSound();
        Refresh();
    }
    void Stop() {
        ResetPlayer();
        Refresh();
    }

    // Sends PropertiesChanged for whatever differs from what the bus was last told.
    void Refresh() {
        const PlayerView now = Read();
        QVariantMap changed;
        if (now.status != sent_.status)
            changed.insert(QStringLiteral("PlaybackStatus"), now.status);
        if (now.metadata != sent_.metadata)
            changed.insert(QStringLiteral("Metadata"), now.metadata);
        sent_ = now;
        // Only a playing sound changes by itself (its length becomes known, it ends), and the
        // engine announces neither.
        if (now.status != QLatin1String("Playing"))
            poll_.stop();
        else if (!poll_.isActive())
            poll_.start();
        if (changed.isEmpty()) return;
        QDBusMessage signal = QDBusMessage::createSignal(
            kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        signal << kPlayerInterface << changed << QStringList();
        bus_.send(signal);
    }

  private:
    PlayerView Read() {
        if (currentSound.source != sound_.source || currentSound.name != sound_.name ||
            currentSound.pic != sound_.pic) {
            sound_ = currentSound;
            ++trackNumber_;
        }
        // A stream belongs to the sound that was current when it appeared.
        if (currentStream != stream_) {
            stream_ = currentStream;
            streamSource_ = currentSound.source;
        }

        PlayerView view;
        switch (Audio().channelIsActive(currentStream)) {
        case BASS_ACTIVE_PLAYING:
        case BASS_ACTIVE_STALLED:
            view.status = QStringLiteral("Playing");
            break;
        case BASS_ACTIVE_PAUSED:
            view.status = QStringLiteral("Paused");
            break;
        default:
            view.status = QStringLiteral("Stopped");
        }

        if (sound_.source.empty()) {
            view.metadata.insert(QStringLiteral("mpris:trackid"),
                                 QVariant::fromValue(QDBusObjectPath(kNoTrack)));
            return view;
        }
        view.metadata.insert(
            QStringLiteral("mpris:trackid"),
            QVariant::fromValue(QDBusObjectPath(QStringLiteral("/io/github/veldo/Veldo/track/") +
                                                QString::number(trackNumber_))));
        view.metadata.insert(QStringLiteral("xesam:title"), Utf8(sound_.name));
        if (!sound_.pic.empty())
            view.metadata.insert(QStringLiteral("mpris:artUrl"), Utf8(sound_.pic));
        if (currentStream != 0 && streamSource_ == sound_.source) {
            const qlonglong length =
                Microseconds(currentStream, Audio().channelGetLength(currentStream, BASS_POS_BYTE));
            if (length > 0) view.metadata.insert(QStringLiteral("mpris:length"), length);
        }
        return view;
    }

    MainWindow& window_;
    QDBusConnection bus_;
    QString busName_;
    QTimer poll_;
    PlayerView sent_;
    SoundRecord sound_;
    unsigned trackNumber_ = 0;
    HSTREAM stream_ = 0;
    Text streamSource_;
};

// org.mpris.MediaPlayer2: who the player is, raising it and quitting it.
class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
  public:
    explicit RootAdaptor(MediaControls* controls)
        : QDBusAbstractAdaptor(controls), controls_(controls) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Veldo"); }
    QString DesktopEntry() const { return QString::fromLatin1(kDesktopId); }
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

  public slots:
    void Raise() {
        QWidget& window = controls_->Window();
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
    }
    // The slide-away exit, as the close button starts it: it ends a wait, as that click does.
    void Quit() {
        AbandonWait();
        RunAfterWait([] { BeginSlideAwayExit(); });
    }

  private:
    MediaControls* controls_;
};

// org.mpris.MediaPlayer2.Player: state, the sound, and play, pause and stop. There is one sound
// at a time and no seeking; the engine has no volume of its own, so Rate and Volume stay 1.
class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ One WRITE Ignore)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ One WRITE Ignore)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ One)
    Q_PROPERTY(double MaximumRate READ One)
    Q_PROPERTY(bool CanGoNext READ No)
    Q_PROPERTY(bool CanGoPrevious READ No)
    Q_PROPERTY(bool CanPlay READ Yes)
    Q_PROPERTY(bool CanPause READ Yes)
    Q_PROPERTY(bool CanSeek READ No)
    Q_PROPERTY(bool CanControl READ Yes)
  public:
    explicit PlayerAdaptor(MediaControls* controls)
        : QDBusAbstractAdaptor(controls), controls_(controls) {}
    QString PlaybackStatus() const { return controls_->View().status; }
    QVariantMap Metadata() const { return controls_->View().metadata; }
    qlonglong Position() const { return controls_->PositionMicroseconds(); }
    double One() const { return 1.0; }
    void Ignore(double) {}
    bool Yes() const { return true; }
    bool No() const { return false; }

  public slots:
    void Play() { controls_->Command(&MediaControls::Play); }
    void Pause() { controls_->Command(&MediaControls::Pause); }
    void PlayPause() { controls_->Command(&MediaControls::PlayPause); }
    void Stop() { controls_->Command(&MediaControls::Stop); }
    void Next() {}
    void Previous() {}
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

  signals:
    void Seeked(qlonglong position);

  private:
    MediaControls* controls_;
};

} // namespace

void RegisterMediaControlsAfterFirstPaint(MainWindow& window) {
    QObject::connect(
        &window, &MainWindow::firstPainted, &window,
        [window = &window] {
            // After the paint has reached the screen.
            QTimer::singleShot(0, window, [window] {
                RegisterMediaControls(*window, QDBusConnection::sessionBus());
            });
        },
        Qt::SingleShotConnection);
}

bool RegisterMediaControls(MainWindow& window, const QDBusConnection& bus) {
    if (!bus.isConnected()) return false;
    auto* controls = new MediaControls(window, bus);
    new RootAdaptor(controls);
    new PlayerAdaptor(controls);
    if (!controls->Register()) {
        delete controls;
        return false;
    }
    return true;
}

} // namespace veldo

#include "media_controls.moc"
