// The loaders that ask the host for the files of shared documents.
#include "editor/loaders.h"

#include "plugin/host_protocol.h"
#include "plugin/plugin_interfaces.h"

void FileLoad::requestDownload(ISendCommand* sender) {
    if (!loaded && sender)
        sender->sendCommand(HostCommand::downloadFile, path);
}
