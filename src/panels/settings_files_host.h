// What the Config, Transforms and Clips panels ask of the settings they edit.
#pragma once

namespace druvex {

class ClipsStore;
struct ViewerConfig;

// The settings files the toolbar's "File" popups act on.
enum class SettingsFileKind { config, transforms, clips };

class SettingsFilesHost {
public:
    virtual ~SettingsFilesHost() = default;

    // The open and save dialogs; their answer is acted on by a later frame.
    virtual void open_settings_file(SettingsFileKind kind) = 0;
    virtual void save_settings_file_as(SettingsFileKind kind) = 0;
    // On the current file of that kind.
    virtual void reload_settings_file(SettingsFileKind kind) = 0;
    virtual void save_settings_file(SettingsFileKind kind) = 0;
    // Forgets the current file; the settings stay as they are.
    virtual void unload_settings_file(SettingsFileKind kind) = 0;
    // Back to the defaults.
    virtual void reset_settings_file(SettingsFileKind kind) = 0;

    // What the rows bind to.
    virtual ViewerConfig& viewer_config() = 0;
    virtual ClipsStore& clips() = 0;
};

}  // namespace druvex
