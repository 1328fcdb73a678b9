<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CommandLine</name>
    <message>
        <source>Live subtitles of what is said near the computer.</source>
        <translation>Live-Untertitel dessen, was in der Nähe des Computers gesagt wird.</translation>
    </message>
    <message>
        <source>Shows this help.</source>
        <translation>Zeigt diese Hilfe.</translation>
    </message>
    <message>
        <source>Start live subtitles, or stop them if they run, in the running Voxlume; start Voxlume if it does not run.</source>
        <translation>Startet die Live-Untertitel im laufenden Voxlume oder beendet sie, wenn sie laufen; startet Voxlume, wenn es nicht läuft.</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>Unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>Try &quot;%1 --help&quot;.</source>
        <translation>Versuchen Sie „%1 --help“.</translation>
    </message>
</context>
<context>
    <name>VoxlumeApp</name>
    <message>
        <source>Transcript History Unavailable</source>
        <translation>Transkriptverlauf nicht verfügbar</translation>
    </message>
    <message>
        <source>The transcript history cannot be opened.</source>
        <translation>Der Transkriptverlauf kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Continue without history</source>
        <translation>Ohne Verlauf fortfahren</translation>
    </message>
    <message>
        <source>Some transcripts could not be saved, and no file could be written for them. Their text was written to the program&apos;s standard error.</source>
        <translation>Einige Transkripte konnten nicht gespeichert werden, und für sie konnte keine Datei geschrieben werden. Ihr Text wurde in die Standardfehlerausgabe des Programms geschrieben.</translation>
    </message>
    <message>
        <source>Some transcripts could not be saved. Their text is kept in %1.</source>
        <translation>Einige Transkripte konnten nicht gespeichert werden. Ihr Text ist in %1 aufbewahrt.</translation>
    </message>
    <message>
        <source>Transcripts Not Saved</source>
        <translation>Transkripte nicht gespeichert</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Welcome</source>
        <translation>Willkommen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Translation Languages</source>
        <translation>Übersetzungssprachen</translation>
    </message>
    <message>
        <source>Transcript History</source>
        <translation>Transkriptverlauf</translation>
    </message>
    <message>
        <source>Voxlume runs already, but could not be reached: %1</source>
        <translation>Voxlume läuft bereits, ist aber nicht erreichbar: %1</translation>
    </message>
    <message>
        <source>%1

The file is left as it is. %2</source>
        <translation>%1

Die Datei bleibt unverändert. %2</translation>
    </message>
    <message>
        <source>Without it, subtitles still work, but no transcript is kept.</source>
        <translation>Ohne sie funktionieren die Untertitel weiterhin, aber es werden keine Transkripte aufbewahrt.</translation>
    </message>
    <message>
        <source>Subtitles still work, and the transcripts of this session are kept in a text file when Voxlume quits.</source>
        <translation>Die Untertitel funktionieren weiterhin, und die Transkripte dieser Sitzung werden beim Beenden von Voxlume in einer Textdatei aufbewahrt.</translation>
    </message>
</context>
</TS>
