#pragma once
// The menu's user-default operations on the initialisation file: Get and Save
// User Defaults, Save and Erase Size/Position, Restore Factory Defaults. Values
// reach the channels through DefaultsChannels, the colour scheme and window
// geometry through DefaultsWindows, and the side of the pier and the paddle
// rates go into the shared state. The KAV dialog's labels are kept here.
//
// Runs on the user-interface thread. Each operation opens the file, reads or
// writes it whole and lets it go; nothing stays open between operations.

#include <functional>
#include <optional>
#include <string>

#include "config/InitFile.h"
#include "controllers/OrvMainForm.h"

namespace orv {

class System;
class DefaultsChannels;

// The windows' side: the night colour scheme (the menu item's check mark) and
// the main window's size and position.
class DefaultsWindows {
public:
    virtual ~DefaultsWindows() = default;
    virtual bool NightColors() const = 0;
    // Checks or unchecks the menu item and applies the matching scheme at once.
    virtual void SetNightColors(bool night) = 0;
    virtual FormGeometry Form() const = 0;
    // Applies the size and position at once.
    virtual void SetForm(const FormGeometry& form) = 0;
};

// Without windows: the values are only kept, so that a save writes back what
// was read.
class KeptWindowDefaults final : public DefaultsWindows {
public:
    // The main window's designed size, pixels.
    static constexpr FormGeometry Designed{567, 579, 0, 0};
    bool NightColors() const override { return night_; }
    void SetNightColors(bool night) override { night_ = night; }
    FormGeometry Form() const override { return form_; }
    void SetForm(const FormGeometry& form) override { form_ = form; }

private:
    bool night_ = false;
    FormGeometry form_ = Designed;
};

class OrvUserDefaults final : public UserDefaultsActions {
public:
    // Shows an operator message (a refused write, a port that cannot be opened).
    using Report = std::function<void(const std::string&)>;
    // Changes values read from the file before they are applied (the command
    // line's options, which win over the file for the whole run).
    using Overrides = std::function<void(UserDefaults&)>;

    OrvUserDefaults(System& system, DefaultsChannels& channels, DefaultsWindows& windows, std::string path,
                    Report report);

    const std::string& path() const { return path_; }
    // The windows that take colours and geometry from now on (the main window
    // once it exists). Not owned.
    void setWindows(DefaultsWindows& windows) { windows_ = &windows; }
    void setOverrides(Overrides overrides) { overrides_ = std::move(overrides); }

    // The values in force, as SaveUserDefaults and SaveSizePosition write them.
    UserDefaults Current() const;
    // The file's values over the ones in force; nullopt (reported) when the
    // file exists but cannot be read.
    std::optional<UserDefaults> ReadFile() const;
    // Applies values in GetUserDefaults' order: colours, window geometry, server
    // port, ExCom settings and mode, MNCP settings and mode, server mode, KAV
    // labels, side of the pier, paddle rates, then the KAV line's settings and
    // mode. Every step runs; a channel that fails reports and the next goes on.
    void Apply(const UserDefaults& values);

    // At program start: the file's values (those in force when it cannot be
    // read) with the overrides, applied whole.
    void ApplyAtStart();

    // The Defaults menu; failures are reported. Get applies the file's values
    // with the overrides; nothing when the file cannot be read.
    void GetUserDefaults() override;
    void SaveUserDefaults() override;
    void SaveSizePosition() override;
    void EraseSizePosition() override;
    // Day colours; ExCom and MNCP lines back to no port, 9600 baud, 8 data bits,
    // no parity, one stop bit; server port 5003; then the three channels off.
    // The file is not touched; KAV, labels, geometry, side and rates stay.
    void RestoreFactoryDefaults() override;
    // The main window's first activation: its colours and geometry from the
    // file; everything else was applied at program start.
    void FormActivated() override;

    const KAVLabels& labels() const { return labels_; }
    void setLabels(const KAVLabels& labels) { labels_ = labels; }

private:
    // Sets the server's port; an active server on another port is switched off
    // first, so that the next activation listens on the new one.
    void setTCPPort(uint16_t port);
    void report(const std::optional<std::string>& message) const;
    void save(const std::function<void(ProfileFile&)>& edit) const;

    System& system_;
    DefaultsChannels& channels_;
    DefaultsWindows* windows_;
    std::string path_;
    Report report_;
    Overrides overrides_;
    KAVLabels labels_ = KAVLabels::Defaults();
};

}  // namespace orv
