// The shell library; its sources arrive with the main window.
