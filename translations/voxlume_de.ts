<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ApertiumPipeline</name>
    <message>
        <source>The translator was stopped.</source>
        <translation>Der Übersetzer wurde angehalten.</translation>
    </message>
    <message>
        <source>The translator %1 cannot be started.</source>
        <translation>Der Übersetzer %1 kann nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The translator stopped unexpectedly.</source>
        <translation>Der Übersetzer wurde unerwartet beendet.</translation>
    </message>
    <message>
        <source>The translator did not answer in time.</source>
        <translation>Der Übersetzer hat nicht rechtzeitig geantwortet.</translation>
    </message>
</context>
<context>
    <name>ApertiumSession</name>
    <message>
        <source>no language</source>
        <translation>keine Sprache</translation>
    </message>
    <message>
        <source>Translating from %1 to %2 is not available on this computer.</source>
        <translation>Die Übersetzung von %1 nach %2 ist auf diesem Computer nicht verfügbar.</translation>
    </message>
    <message>
        <source>Install the package %1 to translate from %2 to %3.</source>
        <translation>Installieren Sie das Paket %1, um von %2 nach %3 zu übersetzen.</translation>
    </message>
</context>
<context>
    <name>AppMenu</name>
    <message>
        <source>Click Through Subtitles</source>
        <translation>Mausklicks durch Untertitel lassen</translation>
    </message>
    <message>
        <source>The subtitle window lets the mouse through to the windows under it.</source>
        <translation>Das Untertitelfenster lässt die Maus zu den Fenstern darunter durch.</translation>
    </message>
    <message>
        <source>Spoken Language</source>
        <translation>Gesprochene Sprache</translation>
    </message>
    <message>
        <source>Translated Language</source>
        <translation>Übersetzte Sprache</translation>
    </message>
    <message>
        <source>View History</source>
        <translation>Verlauf anzeigen</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>No speech model for this language is installed.</source>
        <translation>Für diese Sprache ist kein Sprachmodell installiert.</translation>
    </message>
    <message>
        <source> (No Translation)</source>
        <translation> (keine Übersetzung)</translation>
    </message>
    <message>
        <source>Stop Live Subtitles</source>
        <translation>Live-Untertitel beenden</translation>
    </message>
    <message>
        <source>Start Live Subtitles</source>
        <translation>Live-Untertitel starten</translation>
    </message>
    <message>
        <source>Show Live Subtitles</source>
        <translation>Live-Untertitel zeigen</translation>
    </message>
</context>
<context>
    <name>Appcast</name>
    <message>
        <source>it is not RSS</source>
        <translation>es ist kein RSS</translation>
    </message>
    <message>
        <source>%1 at line %2</source>
        <translation>%1 in Zeile %2</translation>
    </message>
    <message>
        <source>it has no channel</source>
        <translation>es hat keinen Kanal</translation>
    </message>
</context>
<context>
    <name>AutostartEntry</name>
    <message>
        <source>The folder %1 could not be made.</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
</context>
<context>
    <name>BusyIndicator</name>
    <message>
        <source>Busy</source>
        <translation>Beschäftigt</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>The operation could not be completed. (%1 error %2.)</source>
        <translation>Der Vorgang konnte nicht abgeschlossen werden. (%1, Fehler %2.)</translation>
    </message>
</context>
<context>
    <name>InputLevelMeter</name>
    <message>
        <source>Input level</source>
        <translation>Eingangspegel</translation>
    </message>
</context>
<context>
    <name>InputPicker</name>
    <message>
        <source>Listen to</source>
        <translation>Zuhören bei</translation>
    </message>
    <message>
        <source>Default microphone</source>
        <translation>Standardmikrofon</translation>
    </message>
    <message>
        <source>Sound from this computer</source>
        <translation>Ton dieses Computers</translation>
    </message>
    <message>
        <source>%1 (not connected)</source>
        <translation>%1 (nicht verbunden)</translation>
    </message>
</context>
<context>
    <name>LanguageLabels</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
</context>
<context>
    <name>ListeningModel</name>
    <message>
        <source>Speech recognition is not supported for </source>
        <translation>Spracherkennung wird nicht unterstützt für </translation>
    </message>
    <message>
        <source>Speech recognition is not available.</source>
        <translation>Spracherkennung ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Speech recognition is not authorized.</source>
        <translation>Spracherkennung ist nicht erlaubt.</translation>
    </message>
</context>
<context>
    <name>LiveCaptionFile</name>
    <message>
        <source>The live captions cannot be written to “%1”: %2. The next subtitle tries again.</source>
        <translation>Die Live-Untertitel können nicht nach „%1“ geschrieben werden: %2. Der nächste Untertitel versucht es erneut.</translation>
    </message>
</context>
<context>
    <name>ModelContainer</name>
    <message>
        <source>The folder %1 cannot be created.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The file %1 cannot be created: %2.</source>
        <translation>Die Datei %1 kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>The transcript store %1 is damaged: %2.</source>
        <translation>Der Transkriptspeicher %1 ist beschädigt: %2.</translation>
    </message>
    <message>
        <source>The transcript store %1 cannot be read: %2.</source>
        <translation>Der Transkriptspeicher %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>The transcript store %1 was written by a newer version of Voxlume (layout %2; this version reads layout %3).</source>
        <translation>Der Transkriptspeicher %1 wurde von einer neueren Version von Voxlume geschrieben (Aufbau %2; diese Version liest Aufbau %3).</translation>
    </message>
    <message>
        <source>The file %1 is a database, but not a transcript store.</source>
        <translation>Die Datei %1 ist eine Datenbank, aber kein Transkriptspeicher.</translation>
    </message>
    <message>
        <source>The transcript store %1 cannot be opened: %2.</source>
        <translation>Der Transkriptspeicher %1 kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>The check was given up.</source>
        <translation>Die Prüfung wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The transcript store %1 is still being checked.</source>
        <translation>Der Transkriptspeicher %1 wird noch geprüft.</translation>
    </message>
</context>
<context>
    <name>NoticeBanner</name>
    <message>
        <source>Notice</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Dismiss Notice</source>
        <translation>Hinweis schließen</translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>Welcome to **Voxlume**</source>
        <translation>Willkommen bei **Voxlume**</translation>
    </message>
    <message>
        <source>Click the %@ icon in the panel to get started.</source>
        <translation>Klicken Sie auf das Symbol %@ in der Leiste, um zu beginnen.</translation>
    </message>
    <message>
        <source>Click the %@ icon in the top bar to get started.</source>
        <translation>Klicken Sie auf das Symbol %@ in der oberen Leiste, um zu beginnen.</translation>
    </message>
    <message>
        <source>Click the %@ icon in the system tray to get started.</source>
        <translation>Klicken Sie auf das Symbol %@ im Systemabschnitt der Kontrollleiste, um zu beginnen.</translation>
    </message>
    <message>
        <source>Voxlume icon</source>
        <translation>Voxlume-Symbol</translation>
    </message>
    <message>
        <source>Your desktop shows no system tray, so Voxlume&apos;s menu is here instead.</source>
        <translation>Ihr Desktop zeigt keinen Infobereich, daher finden Sie das Menü von Voxlume hier.</translation>
    </message>
</context>
<context>
    <name>PackageInstaller</name>
    <message>
        <source>The installation was cancelled.</source>
        <translation>Die Installation wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The software sources do not offer %1.</source>
        <translation>Die Softwarequellen bieten %1 nicht an.</translation>
    </message>
    <message>
        <source>PackageKit is not available: %1</source>
        <translation>PackageKit ist nicht verfügbar: %1</translation>
    </message>
</context>
<context>
    <name>PackageKitTransaction</name>
    <message>
        <source>PackageKit stopped.</source>
        <translation>PackageKit wurde beendet.</translation>
    </message>
    <message>
        <source>The transaction&apos;s signals cannot be received.</source>
        <translation>Die Signale des Vorgangs können nicht empfangen werden.</translation>
    </message>
    <message>
        <source>PackageKit did not finish.</source>
        <translation>PackageKit ist nicht fertig geworden.</translation>
    </message>
    <message>
        <source>The installation was cancelled.</source>
        <translation>Die Installation wurde abgebrochen.</translation>
    </message>
    <message>
        <source>PackageKit did not succeed.</source>
        <translation>PackageKit war nicht erfolgreich.</translation>
    </message>
</context>
<context>
    <name>QtAudioEngine</name>
    <message>
        <source>No microphone was found: no sound server (PulseAudio or PipeWire) is running.</source>
        <translation>Es wurde kein Mikrofon gefunden: Es läuft kein Soundserver (PulseAudio oder PipeWire).</translation>
    </message>
    <message>
        <source>No microphone was found.</source>
        <translation>Es wurde kein Mikrofon gefunden.</translation>
    </message>
    <message>
        <source>The microphone “%1” offers no sound format that can be recorded.</source>
        <translation>Das Mikrofon „%1“ bietet kein Tonformat, das aufgenommen werden kann.</translation>
    </message>
    <message>
        <source>The microphone “%1” stopped working.</source>
        <translation>Das Mikrofon „%1“ funktioniert nicht mehr.</translation>
    </message>
    <message>
        <source>The microphone “%1” does not respond.</source>
        <translation>Das Mikrofon „%1“ antwortet nicht.</translation>
    </message>
    <message>
        <source>The microphone “%1” could not be opened.</source>
        <translation>Das Mikrofon „%1“ konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The microphone “%1” was disconnected.</source>
        <translation>Das Mikrofon „%1“ wurde getrennt.</translation>
    </message>
    <message>
        <source>Sound from this computer</source>
        <translation>Ton dieses Computers</translation>
    </message>
    <message>
        <source>“%1” is not connected. Listening to the default microphone instead.</source>
        <translation>„%1“ ist nicht verbunden. Stattdessen wird das Standardmikrofon verwendet.</translation>
    </message>
</context>
<context>
    <name>ScreenPicker</name>
    <message>
        <source>Screen</source>
        <translation>Bildschirm</translation>
    </message>
    <message>
        <source>%1 (%2×%3)</source>
        <translation>%1 (%2×%3)</translation>
    </message>
    <message>
        <source>%1 (not connected)</source>
        <translation>%1 (nicht verbunden)</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>Settings cannot be saved: “%1” is a folder, not a file. Your changes last until Voxlume quits; remove or rename the folder to keep them.</source>
        <translation>Die Einstellungen können nicht gespeichert werden: „%1“ ist ein Ordner, keine Datei. Ihre Änderungen gelten nur, bis Voxlume beendet wird; entfernen oder benennen Sie den Ordner um, damit sie erhalten bleiben.</translation>
    </message>
    <message>
        <source>The settings file was larger than 1 MB, so Voxlume set it aside and started from the default settings. The old file was kept as “%1”.</source>
        <translation>Die Einstellungsdatei war größer als 1 MB, daher hat Voxlume sie beiseitegelegt und mit den Standardeinstellungen begonnen. Die alte Datei wurde als „%1“ aufbewahrt.</translation>
    </message>
    <message>
        <source>The settings file could not be read, so Voxlume set it aside and started from the default settings. The old file was kept as “%1”.</source>
        <translation>Die Einstellungsdatei konnte nicht gelesen werden, daher hat Voxlume sie beiseitegelegt und mit den Standardeinstellungen begonnen. Die alte Datei wurde als „%1“ aufbewahrt.</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Text Appearance</source>
        <translation>Textdarstellung</translation>
    </message>
    <message>
        <source>Font Size</source>
        <translation>Schriftgröße</translation>
    </message>
    <message>
        <source>Smaller</source>
        <translation>Kleiner</translation>
    </message>
    <message>
        <source>Larger</source>
        <translation>Größer</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <source>Text Color</source>
        <translation>Textfarbe</translation>
    </message>
    <message>
        <source>Display Settings</source>
        <translation>Anzeige</translation>
    </message>
    <message>
        <source>Window Transparency</source>
        <translation>Fenstertransparenz</translation>
    </message>
    <message>
        <source>Opaque</source>
        <translation>Deckend</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Durchsichtig</translation>
    </message>
    <message>
        <source>Show Spoken Language</source>
        <translation>Gesprochene Sprache zeigen</translation>
    </message>
    <message>
        <source>Show Language Swap Button</source>
        <translation>Schalter zum Sprachtausch zeigen</translation>
    </message>
    <message>
        <source>Break the world</source>
        <translation>Die Welt zerbrechen</translation>
    </message>
    <message>
        <source>Open &amp;Language Settings</source>
        <translation>&amp;Spracheinstellungen öffnen</translation>
    </message>
    <message>
        <source>Translation languages are installed through your system&apos;s **package manager**: from **Translation Languages**, or the first time you choose one in the **Translated Language** menu.</source>
        <translation>Übersetzungssprachen werden über die **Paketverwaltung** Ihres Systems installiert: unter **Übersetzungssprachen** oder wenn Sie eine zum ersten Mal im Menü **Übersetzte Sprache** wählen.</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Listen to</source>
        <translation>Zuhören bei</translation>
    </message>
    <message>
        <source>Startup</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Start at Login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Voxlume could not change whether it starts at login: %1</source>
        <translation>Voxlume konnte nicht ändern, ob es beim Anmelden startet: %1</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Check for updates automatically</source>
        <translation>Automatisch nach Updates suchen</translation>
    </message>
    <message>
        <source>Updates for this copy of Voxlume come from your system&apos;s package manager.</source>
        <translation>Updates für dieses Voxlume kommen über die Paketverwaltung Ihres Systems.</translation>
    </message>
    <message>
        <source>Live Captions for Other Programs</source>
        <translation>Live-Untertitel für andere Programme</translation>
    </message>
    <message>
        <source>Write live captions to a file</source>
        <translation>Live-Untertitel in eine Datei schreiben</translation>
    </message>
    <message>
        <source>While subtitles run, the file holds the line they show, and its translation on a second line: a streaming program can show it as a text source.</source>
        <translation>Während Untertitel laufen, enthält die Datei die angezeigte Zeile und in einer zweiten Zeile ihre Übersetzung: Ein Streaming-Programm kann sie als Textquelle zeigen.</translation>
    </message>
    <message>
        <source>Live caption file</source>
        <translation>Datei der Live-Untertitel</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen…</translation>
    </message>
    <message>
        <source>Choose the live caption file</source>
        <translation>Datei der Live-Untertitel auswählen</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Live Caption File</source>
        <translation>Datei der Live-Untertitel</translation>
    </message>
    <message>
        <source>Subtitle Window</source>
        <translation>Untertitelfenster</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Floating</source>
        <translation>Frei schwebend</translation>
    </message>
    <message>
        <source>Top of screen</source>
        <translation>Oben am Bildschirm</translation>
    </message>
    <message>
        <source>Bottom of screen</source>
        <translation>Unten am Bildschirm</translation>
    </message>
    <message>
        <source>Floating, the subtitles stay where you drag them. At the top or the bottom, they span the screen&apos;s width and maximized windows end where they begin, as at a panel. On Wayland itself they span the screen too, but other windows do not keep clear of them, and the desktop may place them elsewhere.</source>
        <translation>Frei schwebend bleiben die Untertitel, wohin Sie sie ziehen. Oben oder unten reichen sie über die ganze Breite des Bildschirms, und maximierte Fenster enden dort, wo sie beginnen, wie an einer Leiste. Unter Wayland selbst reichen sie ebenfalls über den Bildschirm, doch andere Fenster halten keinen Abstand zu ihnen, und die Arbeitsumgebung kann sie anderswo platzieren.</translation>
    </message>
    <message>
        <source>On Wayland, other windows do not keep clear of docked subtitles, and the desktop may place them elsewhere.</source>
        <translation>Unter Wayland halten andere Fenster keinen Abstand zu angedockten Untertiteln, und die Arbeitsumgebung kann sie anderswo platzieren.</translation>
    </message>
    <message>
        <source>While the chosen screen is not connected, the subtitles show on the primary screen, and go back once it is.</source>
        <translation>Solange der gewählte Bildschirm nicht verbunden ist, erscheinen die Untertitel auf dem Hauptbildschirm und kehren zurück, sobald er es wieder ist.</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>Bildschirm</translation>
    </message>
</context>
<context>
    <name>SubtitleOverlayWindow</name>
    <message>
        <source>Translation</source>
        <translation>Übersetzung</translation>
    </message>
    <message>
        <source>Spoken text</source>
        <translation>Gesprochener Text</translation>
    </message>
    <message>
        <source>Transcription Error</source>
        <translation>Fehler bei der Niederschrift</translation>
    </message>
    <message>
        <source>Listening Error</source>
        <translation>Fehler beim Zuhören</translation>
    </message>
    <message>
        <source>Translation Error</source>
        <translation>Fehler bei der Übersetzung</translation>
    </message>
    <message>
        <source>Start speaking %1...</source>
        <translation>Sprechen Sie %1...</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Input Changed</source>
        <translation>Eingang gewechselt</translation>
    </message>
</context>
<context>
    <name>SubtitleWindow</name>
    <message>
        <source>Live Subtitles</source>
        <translation>Live-Untertitel</translation>
    </message>
    <message>
        <source>On Wayland, the subtitles cannot stay above other windows or keep their place. To have both, start Voxlume without QT_QPA_PLATFORM=wayland, so that it runs through XWayland.</source>
        <translation>Unter Wayland können die Untertitel weder über anderen Fenstern bleiben noch ihren Platz behalten. Für beides starten Sie Voxlume ohne QT_QPA_PLATFORM=wayland, damit es über XWayland läuft.</translation>
    </message>
    <message>
        <source>On Wayland, the subtitles cannot stay above other windows or keep their place, and XWayland could not be reached. To have both, install XWayland (the package xwayland), log in again and restart Voxlume.</source>
        <translation>Unter Wayland können die Untertitel weder über anderen Fenstern bleiben noch ihren Platz behalten, und XWayland war nicht erreichbar. Für beides installieren Sie XWayland (das Paket xwayland), melden sich neu an und starten Voxlume erneut.</translation>
    </message>
</context>
<context>
    <name>SwapAccessory</name>
    <message>
        <source>Translation Direction</source>
        <translation>Übersetzungsrichtung</translation>
    </message>
    <message>
        <source>Swap Languages</source>
        <translation>Sprachen tauschen</translation>
    </message>
</context>
<context>
    <name>TranscriptDetailView</name>
    <message>
        <source>Select a transcript</source>
        <translation>Wählen Sie ein Transkript</translation>
    </message>
    <message>
        <source>to</source>
        <translation>nach</translation>
    </message>
    <message>
        <source>Spoken text</source>
        <translation>Gesprochener Text</translation>
    </message>
    <message>
        <source>Translation</source>
        <translation>Übersetzung</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Spoken Language</source>
        <translation>Gesprochene Sprache</translation>
    </message>
    <message>
        <source>Translated Language</source>
        <translation>Übersetzte Sprache</translation>
    </message>
    <message>
        <source>Waiting for subtitles to be dismissed...</source>
        <translation>Warten, bis die Untertitel geschlossen sind...</translation>
    </message>
    <message>
        <source>Translating...</source>
        <translation>Wird übersetzt...</translation>
    </message>
</context>
<context>
    <name>TranscriptHistoryView</name>
    <message>
        <source>The transcript history cannot be opened: %1 Transcripts of this session are kept only until Voxlume quits.</source>
        <translation>Der Transkriptverlauf kann nicht geöffnet werden: %1 Transkripte dieser Sitzung bleiben nur erhalten, bis Voxlume beendet wird.</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Search transcripts</source>
        <translation>Transkripte durchsuchen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy the spoken text and its translation</source>
        <translation>Den gesprochenen Text und seine Übersetzung kopieren</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren …</translation>
    </message>
    <message>
        <source>Save the spoken text and its translation as a text file</source>
        <translation>Den gesprochenen Text und seine Übersetzung als Textdatei speichern</translation>
    </message>
    <message>
        <source>Transcripts</source>
        <translation>Transkripte</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this transcript?</source>
        <translation>Möchten Sie dieses Transkript wirklich löschen?</translation>
    </message>
    <message>
        <source>Export Transcript</source>
        <translation>Transkript exportieren</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>Transcript %1.txt</source>
        <translation>Transkript %1.txt</translation>
    </message>
    <message>
        <source>The transcript could not be exported.</source>
        <translation>Das Transkript konnte nicht exportiert werden.</translation>
    </message>
</context>
<context>
    <name>TranscriptListModel</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
</context>
<context>
    <name>TranscriptionModel</name>
    <message>
        <source>The transcript could not be saved: the disk is full. It is kept and saved when space is free.</source>
        <translation>Das Transkript konnte nicht gespeichert werden: Der Datenträger ist voll. Es bleibt erhalten und wird gespeichert, sobald wieder Platz ist.</translation>
    </message>
    <message>
        <source>The transcript could not be saved: another program is using the transcript store. It is kept and saved when the store is free.</source>
        <translation>Das Transkript konnte nicht gespeichert werden: Ein anderes Programm verwendet den Transkriptspeicher. Es bleibt erhalten und wird gespeichert, sobald der Speicher frei ist.</translation>
    </message>
    <message>
        <source>The transcript could not be saved: %1. It is kept and saved as soon as that works.</source>
        <translation>Das Transkript konnte nicht gespeichert werden: %1. Es bleibt erhalten und wird gespeichert, sobald das wieder geht.</translation>
    </message>
    <message>
        <source>No current transcript to update</source>
        <translation>Kein aktuelles Transkript zum Aktualisieren</translation>
    </message>
    <message>
        <source>Failed to save transcript: </source>
        <translation>Transkript konnte nicht gespeichert werden: </translation>
    </message>
    <message>
        <source>The transcript cannot be saved, because the transcript store cannot be used. It is kept and written to a text file when Voxlume quits.</source>
        <translation>Das Transkript kann nicht gespeichert werden, weil der Transkriptspeicher nicht verwendet werden kann. Es wird aufbewahrt und beim Beenden von Voxlume in eine Textdatei geschrieben.</translation>
    </message>
</context>
<context>
    <name>TranslationLanguagesModel</name>
    <message>
        <source>Valencian</source>
        <translation>Valencianisch</translation>
    </message>
    <message>
        <source>Aranese</source>
        <translation>Aranesisch</translation>
    </message>
    <message>
        <source>Gascon</source>
        <translation>Gascognisch</translation>
    </message>
    <message>
        <source>university standard</source>
        <translation>Universitätsstandard</translation>
    </message>
    <message>
        <source>2017 spelling</source>
        <translation>Rechtschreibung von 2017</translation>
    </message>
    <message>
        <source>spelling before 2017</source>
        <translation>Rechtschreibung vor 2017</translation>
    </message>
    <message>
        <source>spelling before 1990</source>
        <translation>Rechtschreibung vor 1990</translation>
    </message>
    <message>
        <source>e-infinitives</source>
        <translation>e-Infinitive</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>Install the package %1 with your system&apos;s package manager.</source>
        <translation>Installieren Sie das Paket %1 mit der Paketverwaltung Ihres Systems.</translation>
    </message>
</context>
<context>
    <name>TranslationLanguagesView</name>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>Not installed</source>
        <translation>Nicht installiert</translation>
    </message>
    <message>
        <source>Installing…</source>
        <translation>Wird installiert …</translation>
    </message>
    <message>
        <source>Installing… %1 %</source>
        <translation>Wird installiert … %1 %</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>Fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Voxlume translates on this computer. Install the language pairs you want to translate between; your system may ask for an administrator&apos;s password.</source>
        <translation>Voxlume übersetzt auf diesem Computer. Installieren Sie die Sprachpaare, zwischen denen Sie übersetzen möchten; Ihr System fragt dabei eventuell nach einem Administratorpasswort.</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Search Languages</source>
        <translation>Sprachen suchen</translation>
    </message>
    <message>
        <source>Clear Search</source>
        <translation>Suche leeren</translation>
    </message>
    <message>
        <source>No language matches the search.</source>
        <translation>Keine Sprache passt zur Suche.</translation>
    </message>
    <message>
        <source>Installing %1</source>
        <translation>%1 wird installiert</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Install %1</source>
        <translation>%1 installieren</translation>
    </message>
</context>
<context>
    <name>UpdateChecker</name>
    <message>
        <source>The release notes are too long to show here.</source>
        <translation>Die Versionshinweise sind zu lang, um sie hier zu zeigen.</translation>
    </message>
    <message>
        <source>The update server did not send its update feed within %1 seconds.</source>
        <translation>Der Update-Server hat seinen Update-Feed nicht innerhalb von %1 Sekunden gesendet.</translation>
    </message>
    <message>
        <source>The update feed&apos;s address is not an https address: %1</source>
        <translation>Die Adresse des Update-Feeds ist keine https-Adresse: %1</translation>
    </message>
    <message>
        <source>The update server has no update feed at %1 (HTTP status %2).</source>
        <translation>Der Update-Server hat unter %1 keinen Update-Feed (HTTP-Status %2).</translation>
    </message>
    <message>
        <source>Voxlume could not reach the update server: %1.</source>
        <translation>Voxlume konnte den Update-Server nicht erreichen: %1.</translation>
    </message>
    <message>
        <source>The update server&apos;s answer is not an update feed: %1.</source>
        <translation>Die Antwort des Update-Servers ist kein Update-Feed: %1.</translation>
    </message>
    <message>
        <source>The update feed offers no version of Voxlume that this computer can install.</source>
        <translation>Der Update-Feed bietet keine Version von Voxlume an, die dieser Computer installieren kann.</translation>
    </message>
    <message>
        <source>The release notes are at %1.</source>
        <translation>Die Versionshinweise stehen unter %1.</translation>
    </message>
    <message>
        <source>The update could not be installed: %1</source>
        <translation>Das Update konnte nicht installiert werden: %1</translation>
    </message>
    <message>
        <source>No web browser could open %1.</source>
        <translation>Kein Webbrowser konnte %1 öffnen.</translation>
    </message>
    <message>
        <source>The update server&apos;s answer is larger than %1 MB, so it is not an update feed.</source>
        <translation>Die Antwort des Update-Servers ist größer als %1 MB und daher kein Update-Feed.</translation>
    </message>
</context>
<context>
    <name>UpdateDownload</name>
    <message>
        <source>The update feed gives no signature for the update, so it was not installed.</source>
        <translation>Der Update-Feed nennt keine Signatur für das Update, daher wurde es nicht installiert.</translation>
    </message>
    <message>
        <source>The update could not be saved: %1</source>
        <translation>Das Update konnte nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>The downloaded update is larger than the update feed says, so it was not installed.</source>
        <translation>Das heruntergeladene Update ist größer, als der Update-Feed angibt, daher wurde es nicht installiert.</translation>
    </message>
    <message>
        <source>The update could not be downloaded: %1.</source>
        <translation>Das Update konnte nicht heruntergeladen werden: %1.</translation>
    </message>
    <message>
        <source>The downloaded update is smaller than the update feed says, so it was not installed.</source>
        <translation>Das heruntergeladene Update ist kleiner, als der Update-Feed angibt, daher wurde es nicht installiert.</translation>
    </message>
    <message>
        <source>The downloaded update is not signed with Voxlume&apos;s key, so it was not installed.</source>
        <translation>Das heruntergeladene Update ist nicht mit dem Schlüssel von Voxlume signiert, daher wurde es nicht installiert.</translation>
    </message>
</context>
<context>
    <name>UpdateView</name>
    <message>
        <source>Software Update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>Release Notes:</source>
        <translation>Versionshinweise:</translation>
    </message>
    <message>
        <source>Release Notes</source>
        <translation>Versionshinweise</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Diese Version überspringen</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>Später erinnern</translation>
    </message>
    <message>
        <source>Install Update</source>
        <translation>Update installieren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Checking for updates…</source>
        <translation>Nach Updates wird gesucht …</translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation>Sie sind auf dem neuesten Stand!</translation>
    </message>
    <message>
        <source>Voxlume %1 is currently the newest version available.</source>
        <translation>Voxlume %1 ist zurzeit die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>A new version of Voxlume is available!</source>
        <translation>Eine neue Version von Voxlume ist verfügbar!</translation>
    </message>
    <message>
        <source>Voxlume %1 is now available—you have %2. Would you like to install it now?</source>
        <translation>Voxlume %1 ist jetzt verfügbar – Sie haben %2. Möchten Sie es jetzt installieren?</translation>
    </message>
    <message>
        <source>Downloading update…</source>
        <translation>Update wird heruntergeladen …</translation>
    </message>
    <message>
        <source>Voxlume %1</source>
        <translation>Voxlume %1</translation>
    </message>
    <message>
        <source>Installing update…</source>
        <translation>Update wird installiert …</translation>
    </message>
    <message>
        <source>Your system may ask for an administrator&apos;s password.</source>
        <translation>Ihr System fragt eventuell nach einem Administratorpasswort.</translation>
    </message>
    <message>
        <source>Voxlume %1 is installed.</source>
        <translation>Voxlume %1 ist installiert.</translation>
    </message>
    <message>
        <source>The new version runs the next time Voxlume starts.</source>
        <translation>Die neue Version läuft beim nächsten Start von Voxlume.</translation>
    </message>
    <message>
        <source>Voxlume %1 opens in your browser</source>
        <translation>Voxlume %1 öffnet sich in Ihrem Browser</translation>
    </message>
    <message>
        <source>Download and install it from the release page that has opened in your web browser.</source>
        <translation>Laden Sie es von der Veröffentlichungsseite herunter, die sich in Ihrem Webbrowser geöffnet hat, und installieren Sie es.</translation>
    </message>
    <message>
        <source>Update Error</source>
        <translation>Update-Fehler</translation>
    </message>
    <message>
        <source>Updates come from your system</source>
        <translation>Updates kommen von Ihrem System</translation>
    </message>
    <message>
        <source>Updates for this copy of Voxlume come from your system&apos;s package manager.</source>
        <translation>Updates für dieses Voxlume kommen über die Paketverwaltung Ihres Systems.</translation>
    </message>
</context>
<context>
    <name>WaitingPanel</name>
    <message>
        <source>Waiting for translation to be ready...</source>
        <translation>Warten, bis die Übersetzung bereit ist...</translation>
    </message>
    <message>
        <source>Open Language Settings</source>
        <translation>Spracheinstellungen öffnen</translation>
    </message>
    <message>
        <source>Voxlume installs the translation through your system&apos;s **package manager**: confirm the installation when your desktop asks for it, and the subtitles start as soon as it is ready.</source>
        <translation>Voxlume installiert die Übersetzung über die **Paketverwaltung** Ihres Systems: Bestätigen Sie die Installation, wenn Ihr Desktop danach fragt; die Untertitel beginnen, sobald sie bereit ist.</translation>
    </message>
    <message>
        <source>The translation cannot be made ready</source>
        <translation>Die Übersetzung kann nicht bereitgestellt werden</translation>
    </message>
    <message>
        <source>Then start the subtitles again.</source>
        <translation>Starten Sie danach die Untertitel erneut.</translation>
    </message>
</context>
<context>
    <name>WavFile</name>
    <message>
        <source>“%1” cannot be opened: %2.</source>
        <translation>„%1“ kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>“%1” could not be read: %2.</source>
        <translation>„%1“ konnte nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>“%1” ends inside its header.</source>
        <translation>„%1“ endet mitten im Dateikopf.</translation>
    </message>
    <message>
        <source>“%1” is not a WAV file.</source>
        <translation>„%1“ ist keine WAV-Datei.</translation>
    </message>
    <message>
        <source>“%1” is not a valid WAV file: it has no format chunk.</source>
        <translation>„%1“ ist keine gültige WAV-Datei: Ihr fehlt der Formatblock.</translation>
    </message>
    <message>
        <source>“%1” is not a valid WAV file: it has no data chunk.</source>
        <translation>„%1“ ist keine gültige WAV-Datei: Ihr fehlt der Datenblock.</translation>
    </message>
    <message>
        <source>“%1” is not a valid WAV file: its format chunk is too short.</source>
        <translation>„%1“ ist keine gültige WAV-Datei: Ihr Formatblock ist zu kurz.</translation>
    </message>
    <message>
        <source>“%1” holds compressed or unknown audio (format %2); only PCM and floating-point WAV files can be read.</source>
        <translation>„%1“ enthält komprimierten oder unbekannten Ton (Format %2); nur PCM- und Gleitkomma-WAV-Dateien können gelesen werden.</translation>
    </message>
    <message>
        <source>“%1” has no audio channels.</source>
        <translation>„%1“ hat keine Tonkanäle.</translation>
    </message>
    <message>
        <source>“%1” holds %2-bit samples, which cannot be read.</source>
        <translation>„%1“ enthält %2-Bit-Abtastwerte, die nicht gelesen werden können.</translation>
    </message>
    <message>
        <source>“%1” is not a valid WAV file: its format (%2 channels at %3 Hz, %4 bytes a frame) is impossible.</source>
        <translation>„%1“ ist keine gültige WAV-Datei: Ihr Format (%2 Kanäle mit %3 Hz, %4 Bytes je Frame) ist unmöglich.</translation>
    </message>
</context>
<context>
    <name>WindowButton</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoomen</translation>
    </message>
</context>
</TS>
