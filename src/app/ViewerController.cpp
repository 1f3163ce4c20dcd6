#include "app/ViewerController.h"

#include "app/commands/AppCommands.h"

#include <QDir>

ViewerController::ViewerController(const Options& options, Services services, QObject* parent)
    : QObject(parent), m_options(options), m_services(services), m_home(QDir::homePath()),
      m_files(QString(), Trash(Trash::HomeTrashFolder())), m_batch(m_prompts, m_options, m_journal, m_files) {
    m_state.ExecutionCount = options.Execution;
    m_state.PreviousSortCount = options.Movement;
    m_state.LastFile = options.ImgFile;
    m_state.SortMode = SortOrderOfCode(options.SortNo);
    m_feedback.SetSoundOn(options.sndPlay);
    connect(&m_batch, &TransferBatch::fileSorted, this, [this] { ++m_state.SortCount; });
    connect(&m_session.saver(), &BackgroundSaver::due, this, [this] {
        m_checks.SaveInBackground(m_session.saver());
        m_sorting.SaveTableInBackground(m_session.saver());
    });
    // A batch holding the window stops a running slide show.
    connect(&m_batch, &TransferBatch::interfaceLocked, this, [this](bool locked) {
        if (locked) {
            SetSlideShow(false);
        }
    });

    // The windows hear every part through this one object.
    connect(&m_feedback, &Feedback::titleChanged, this, &ViewerController::titleChanged);
    connect(&m_feedback, &Feedback::commentChanged, this, &ViewerController::commentChanged);
    connect(&m_feedback, &Feedback::soundChanged, this, &ViewerController::soundChanged);
    connect(&m_show, &PictureShow::pictureChanged, this, &ViewerController::pictureChanged);
    connect(&m_show, &PictureShow::trackBarChanged, this, &ViewerController::trackBarChanged);
    connect(&m_show, &PictureShow::jpegScaleChanged, this, &ViewerController::jpegScaleChanged);
    connect(&m_navigator, &FileListNavigator::pictureChanged, this, &ViewerController::pictureChanged);
    connect(&m_navigator, &FileListNavigator::trackBarChanged, this, &ViewerController::trackBarChanged);
    connect(&m_navigator, &FileListNavigator::imageCommandsEnabled, this,
            &ViewerController::imageCommandsEnabled);
    connect(&m_navigator, &FileListNavigator::selectFolderInTree, this,
            &ViewerController::selectFolderInTree);
    connect(&m_navigator, &FileListNavigator::sortModeChanged, this, &ViewerController::sortModeChanged);
    connect(&m_navigator, &FileListNavigator::scanRunning, this, &ViewerController::scanRunning);
    connect(&m_view, &ViewSettings::zoomModeChanged, this, &ViewerController::zoomModeChanged);
    connect(&m_view, &ViewSettings::filtersChanged, this, &ViewerController::filtersChanged);
    connect(&m_view, &ViewSettings::actualSizeChanged, this, &ViewerController::actualSizeChanged);

    m_show.ApplyLoadOptions();
    RegisterViewerCommands(*this, m_registry);
    RegisterSortingCommands(m_sorting, m_undo, m_registry);
    RegisterCheckListCommands(m_checks, m_registry);
    RegisterFolderCommands(m_folders, m_registry);
}

ViewerController::~ViewerController() = default;

ViewerPart::ViewerPart(ViewerController& viewer)
    : m_viewer(viewer), m_state(viewer.state()), m_options(viewer.options()), m_bar(viewer.bar()) {}
